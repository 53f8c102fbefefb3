#include "event_copy_sim_workers.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <sched.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// A history that raises (no temporary directory, say) did not keep the rule either.
TSimOutcome RunGuarded(uint32_t seed, uint32_t steps) {
    try {
        return RunEventCopyHistory(seed, steps);
    } catch (const std::exception& e) {
        TSimOutcome outcome;
        outcome.Kept = false;
        outcome.Failure = std::string("the history raised: ") + e.what();
        return outcome;
    }
}

bool OtherThreadsRunning() {
    std::error_code ec;
    const std::filesystem::directory_iterator tasks("/proc/self/task", ec);
    return ec || std::distance(tasks, std::filesystem::directory_iterator()) != 1;
}

// An outcome as a worker writes it to its file: its place among the seeds, the flag, the counts,
// the length of the failure text, then that text.
struct TOutcomeHead {
    uint32_t Place = 0;
    uint32_t Kept = 0;
    uint32_t Counts[5] = {};
    uint32_t FailureSize = 0;
};

void WriteOutcome(std::FILE* file, uint32_t place, const TSimOutcome& outcome) {
    const TOutcomeHead head{
        place,
        outcome.Kept ? 1u : 0u,
        {outcome.Records, outcome.Written, outcome.Lost, outcome.Kills, outcome.Notes},
        uint32_t(outcome.Failure.size())};
    std::fwrite(&head, sizeof head, 1, file);
    std::fwrite(outcome.Failure.data(), 1, outcome.Failure.size(), file);
}

// Reads the outcomes a worker wrote to `file`, marking each one received.
void ReadOutcomes(std::FILE* file, std::vector<TSimOutcome>& outcomes,
                  std::vector<bool>& received) {
    std::rewind(file);
    TOutcomeHead head;
    while (std::fread(&head, sizeof head, 1, file) == 1 && head.Place < outcomes.size()) {
        TSimOutcome& outcome = outcomes[head.Place];
        outcome.Failure.resize(head.FailureSize);
        if (std::fread(outcome.Failure.data(), 1, head.FailureSize, file) != head.FailureSize) {
            return;
        }
        outcome.Kept = head.Kept != 0;
        outcome.Records = head.Counts[0];
        outcome.Written = head.Counts[1];
        outcome.Lost = head.Counts[2];
        outcome.Kills = head.Counts[3];
        outcome.Notes = head.Counts[4];
        received[head.Place] = true;
    }
}

std::string EndText(int status) {
    if (WIFSIGNALED(status)) {
        return "signal " + std::to_string(WTERMSIG(status));
    }
    return "exit status " + std::to_string(WEXITSTATUS(status));
}

} // namespace

unsigned SimWorkers() {
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    const int count = ::sched_getaffinity(0, sizeof cpus, &cpus) == 0
                          ? CPU_COUNT(&cpus)
                          : int(std::thread::hardware_concurrency());
    return unsigned(std::clamp(count, 1, 16));
}

std::vector<TSimOutcome> RunEventCopyHistories(const std::vector<uint32_t>& seeds, uint32_t steps,
                                               unsigned workers) {
    std::vector<TSimOutcome> outcomes(seeds.size());
    workers = std::max(1u, std::min<unsigned>(workers, unsigned(seeds.size())));
    if (workers == 1 || OtherThreadsRunning()) {
        for (std::size_t i = 0; i < seeds.size(); ++i) {
            outcomes[i] = RunGuarded(seeds[i], steps);
        }
        return outcomes;
    }
    std::fflush(nullptr); // what this process buffered is written once, not once by every child
    struct TWorker {
        std::FILE* File = nullptr; // its outcomes, in a file of its own
        pid_t Pid = -1;
    };
    std::vector<TWorker> started(workers);
    for (unsigned w = 0; w < workers; ++w) {
        TWorker& worker = started[w];
        worker.File = std::tmpfile();
        worker.Pid = worker.File != nullptr ? ::fork() : -1;
        if (worker.Pid == 0) {
            for (std::size_t i = w; i < seeds.size(); i += workers) {
                WriteOutcome(worker.File, uint32_t(i), RunGuarded(seeds[i], steps));
                std::fflush(worker.File); // kept if a later history kills the process
            }
            std::fflush(nullptr); // the outcomes, and a trace
            ::_exit(0);
        }
    }
    std::vector<bool> received(seeds.size(), false);
    for (unsigned w = 0; w < workers; ++w) {
        const TWorker& worker = started[w];
        int status = 0;
        if (worker.Pid > 0) {
            while (::waitpid(worker.Pid, &status, 0) < 0 && errno == EINTR) {
            }
            ReadOutcomes(worker.File, outcomes, received);
        }
        if (worker.File != nullptr) {
            std::fclose(worker.File);
        }
        std::string diedIn; // the seed whose history its process died in
        for (std::size_t i = w; i < seeds.size(); i += workers) {
            if (received[i]) {
                continue;
            }
            if (worker.Pid < 0) { // no process could be made for these: they run here
                outcomes[i] = RunGuarded(seeds[i], steps);
                continue;
            }
            outcomes[i].Kept = false;
            outcomes[i].Failure =
                diedIn.empty() ? "its process ended (" + EndText(status) + ") in it"
                               : "not run: its process ended in the history of seed " + diedIn;
            diedIn = diedIn.empty() ? std::to_string(seeds[i]) : diedIn;
        }
    }
    return outcomes;
}
