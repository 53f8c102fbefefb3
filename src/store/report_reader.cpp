#include "store/report_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

void TLineSplitter::Emit(std::string_view kept, std::size_t length, char last, bool ended) {
    if (length > 0 && last == '\r' && ended) {
        --length; // the CR belongs to the line end
        if (kept.size() > length) {
            kept.remove_suffix(1);
        }
    }
    FSink.Line(kept, length, ended);
}

void TLineSplitter::Feed(std::string_view block) {
    while (!block.empty()) {
        const std::size_t end = block.find('\n');
        const std::string_view piece = block.substr(0, end);
        if (end != std::string_view::npos && FCarriedLength == 0) {
            // The common case: a whole line inside the block, passed on without a copy.
            Emit(piece.substr(0, MaxKeptLineBytes), piece.size(), piece.empty() ? 0 : piece.back(),
                 true);
        } else {
            if (FCarried.size() < MaxKeptLineBytes) {
                FCarried.append(piece.substr(0, MaxKeptLineBytes - FCarried.size()));
            }
            FCarriedLength += piece.size();
            FCarriedLast = piece.empty() ? FCarriedLast : piece.back();
            if (end == std::string_view::npos) {
                return;
            }
            Emit(FCarried, FCarriedLength, FCarriedLast, true);
            FCarried.clear();
            FCarriedLength = 0;
            FCarriedLast = 0;
        }
        block.remove_prefix(end + 1);
    }
}

void TLineSplitter::Finish() {
    if (FCarriedLength > 0) {
        Emit(FCarried, FCarriedLength, FCarriedLast, false);
    }
    Forget();
}

void TLineSplitter::Forget() {
    FCarried.clear();
    FCarriedLength = 0;
    FCarriedLast = 0;
}

void ReadLines(std::string_view bytes, ILineSink& sink) {
    TLineSplitter lines(sink);
    lines.Feed(bytes);
    lines.Finish();
}

TFileRead ReadFileLines(const std::string& path, ILineSink& sink, const std::atomic<bool>& stop,
                        const std::function<void(uint64_t, uint64_t)>& progress) {
    TFileRead result;
    // Non-blocking, so that a FIFO without a writer cannot hold the open; a regular file reads
    // the same either way.
    const int file = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (file < 0) {
        result.Error = errno;
        return result;
    }
    struct stat status {};
    if (::fstat(file, &status) != 0) {
        result.Error = errno;
        ::close(file);
        return result;
    }
    if (!S_ISREG(status.st_mode)) {
        result.NotRegular = true;
        ::close(file);
        return result;
    }
    result.Size = static_cast<uint64_t>(status.st_size);
    std::string buffer(ReadBlockBytes, '\0');
    TLineSplitter lines(sink);
    uint64_t done = 0;
    while (!(result.Stopped = stop.load(std::memory_order_relaxed))) {
        const auto want =
            static_cast<std::size_t>(std::min<uint64_t>(buffer.size(), result.Size - done));
        const ssize_t n = want == 0 ? 0 : ::read(file, buffer.data(), want);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            result.Error = errno;
            break;
        }
        if (n == 0) {
            // A file that grew since it was opened may end, at the size read, in the middle of
            // a line still being written: that line is not unreadable, it is not there yet.
            struct stat now {};
            if (::fstat(file, &now) == 0 && static_cast<uint64_t>(now.st_size) > result.Size) {
                lines.Forget();
            } else {
                lines.Finish();
            }
            break;
        }
        lines.Feed(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
        done += static_cast<uint64_t>(n);
        if (progress) {
            progress(done, result.Size);
        }
    }
    ::close(file);
    return result;
}

std::string FileReadErrorText(const TFileRead& read) {
    if (read.NotRegular) {
        return "not a regular file";
    }
    return read.Error != 0 ? std::strerror(read.Error) : "";
}
