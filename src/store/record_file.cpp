#include "store/record_file.h"

#include "core/errors.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TRecordFile::~TRecordFile() {
    if (FHandle >= 0) {
        ::close(FHandle);
    }
}

void TRecordFile::Open(const std::string& fileName) {
    Close();
    const int handle = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (handle < 0) {
        throw EInOutError(errno, fileName);
    }
    struct stat status {};
    const off_t whole = ::fstat(handle, &status) == 0 ? status.st_size - status.st_size % RecordSize
                                                      : static_cast<off_t>(-1);
    if (whole < 0 || ::lseek(handle, whole, SEEK_SET) != whole) {
        const int error = errno;
        ::close(handle);
        throw EInOutError(error, fileName);
    }
    FHandle = handle;
    FFileName = fileName;
}

int64_t TRecordFile::Position() const {
    const off_t position = FHandle >= 0 ? ::lseek(FHandle, 0, SEEK_CUR) : -1;
    if (position < 0) {
        throw EInOutError(FHandle >= 0 ? errno : EBADF, FFileName);
    }
    return position;
}

void TRecordFile::Close() {
    if (FHandle < 0) {
        return;
    }
    const int handle = FHandle;
    FHandle = -1;
    // A failed close still releases the descriptor on Linux: never close it twice.
    if (::close(handle) != 0 && errno != EINTR) {
        throw EInOutError(errno, FFileName);
    }
}
