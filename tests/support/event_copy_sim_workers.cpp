#include "event_copy_sim_workers.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <poll.h>
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

// An outcome on the pipe from a worker: its place among the seeds, the flag, the counts, the
// length of the failure text, then that text.
struct TOutcomeHead {
    uint32_t Place = 0;
    uint32_t Kept = 0;
    uint32_t Counts[5] = {};
    uint32_t FailureSize = 0;
};

void SendOutcome(int fd, uint32_t place, const TSimOutcome& outcome) {
    const TOutcomeHead head{
        place,
        outcome.Kept ? 1u : 0u,
        {outcome.Records, outcome.Written, outcome.Lost, outcome.Kills, outcome.Notes},
        uint32_t(outcome.Failure.size())};
    std::string bytes(reinterpret_cast<const char*>(&head), sizeof head);
    bytes += outcome.Failure;
    for (std::size_t sent = 0; sent < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + sent, bytes.size() - sent);
        if (n < 0 && errno != EINTR) {
            ::_exit(2);
        }
        sent += n > 0 ? std::size_t(n) : 0;
    }
}

// Takes the whole outcomes at the front of `bytes`.
void TakeOutcomes(std::string& bytes, std::vector<TSimOutcome>& outcomes,
                  std::vector<bool>& received) {
    while (bytes.size() >= sizeof(TOutcomeHead)) {
        TOutcomeHead head;
        std::memcpy(&head, bytes.data(), sizeof head);
        if (bytes.size() < sizeof head + head.FailureSize) {
            return;
        }
        TSimOutcome& outcome = outcomes.at(head.Place);
        outcome.Kept = head.Kept != 0;
        outcome.Records = head.Counts[0];
        outcome.Written = head.Counts[1];
        outcome.Lost = head.Counts[2];
        outcome.Kills = head.Counts[3];
        outcome.Notes = head.Counts[4];
        outcome.Failure = bytes.substr(sizeof head, head.FailureSize);
        received[head.Place] = true;
        bytes.erase(0, sizeof head + head.FailureSize);
    }
}

struct TWorker {
    pid_t Pid = -1;
    int Fd = -1;
    std::string Bytes;
};

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
    std::vector<TWorker> running(workers);
    for (unsigned w = 0; w < workers; ++w) {
        int ends[2];
        if (::pipe(ends) != 0) {
            continue; // its histories run here below
        }
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(ends[0]);
            for (std::size_t i = w; i < seeds.size(); i += workers) {
                SendOutcome(ends[1], uint32_t(i), RunGuarded(seeds[i], steps));
            }
            std::fflush(nullptr); // a trace
            ::_exit(0);
        }
        ::close(ends[1]);
        if (pid < 0) {
            ::close(ends[0]);
            continue;
        }
        running[w] = {pid, ends[0], {}};
    }
    std::vector<bool> received(seeds.size(), false);
    for (;;) {
        std::vector<pollfd> open;
        for (const TWorker& worker : running) {
            if (worker.Fd >= 0) {
                open.push_back({worker.Fd, POLLIN, 0});
            }
        }
        if (open.empty()) {
            break;
        }
        if (::poll(open.data(), open.size(), -1) < 0 && errno != EINTR) {
            break;
        }
        for (const pollfd& ready : open) {
            if (ready.revents == 0) {
                continue;
            }
            TWorker& worker = *std::find_if(running.begin(), running.end(),
                                            [&](const TWorker& w) { return w.Fd == ready.fd; });
            char chunk[65536];
            const ssize_t got = ::read(worker.Fd, chunk, sizeof chunk);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got > 0) {
                worker.Bytes.append(chunk, std::size_t(got));
                TakeOutcomes(worker.Bytes, outcomes, received);
                continue;
            }
            ::close(worker.Fd);
            worker.Fd = -1;
        }
    }
    for (unsigned w = 0; w < workers; ++w) {
        std::string ended;
        if (running[w].Pid > 0) {
            int status = 0;
            while (::waitpid(running[w].Pid, &status, 0) < 0 && errno == EINTR) {
            }
            ended = EndText(status);
        }
        std::string died; // the seed whose history its process died in
        for (std::size_t i = w; i < seeds.size(); i += workers) {
            if (received[i]) {
                continue;
            }
            if (running[w].Pid < 0) { // no process could be made for these
                outcomes[i] = RunGuarded(seeds[i], steps);
                continue;
            }
            outcomes[i].Kept = false;
            outcomes[i].Failure = died.empty()
                                      ? "its process ended (" + ended + ") in this history"
                                      : "not run: its process ended in the history of seed " + died;
            died = died.empty() ? std::to_string(seeds[i]) : died;
        }
    }
    return outcomes;
}
