// The line settings through Linux's termios2, the one interface that takes any bit rate
// (BOTHER). Kept apart because the kernel's termios structures clash with <termios.h>.

#include "transport/serial_device.h"

#include <asm/termbits.h>
#include <cerrno>
#include <sys/ioctl.h>

namespace {

// Raw mode: bytes pass through untouched in both directions, reads return what has arrived.
void MakeRaw(termios2& tio) {
    tio.c_iflag &= ~tcflag_t(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON |
                             IXOFF | IXANY | INPCK | IGNPAR | IUCLC | IMAXBEL);
    tio.c_oflag &= ~tcflag_t(OPOST);
    tio.c_lflag &= ~tcflag_t(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
}

tcflag_t SizeFlag(int dataBits) {
    switch (dataBits) {
    case 5:
        return CS5;
    case 6:
        return CS6;
    case 7:
        return CS7;
    default:
        return CS8;
    }
}

tcflag_t ParityFlags(TParityBits parity) {
    switch (parity) {
    case prOdd:
        return PARENB | PARODD;
    case prEven:
        return PARENB;
    case prMark:
        return PARENB | CMSPAR | PARODD;
    case prSpace:
        return PARENB | CMSPAR;
    case prNone:
        break;
    }
    return 0;
}

// A UART sends 1.5 stop bits only with 5 data bits (where two-stop-bit mode means 1.5), and
// 2 stop bits only with 6 to 8.
bool ValidStopBits(const TSerialLine& line) {
    switch (line.StopBits) {
    case sbOne5StopBits:
        return line.DataBits == 5;
    case sbTwoStopBits:
        return line.DataBits != 5;
    case sbOneStopBit:
        break;
    }
    return true;
}

} // namespace

int ApplySerialLine(int fd, const TSerialLine& line) {
    if (line.BaudRate == 0 || line.DataBits < 5 || line.DataBits > 8 || !ValidStopBits(line)) {
        return EINVAL;
    }
    termios2 tio{};
    if (::ioctl(fd, TCGETS2, &tio) != 0) {
        return errno;
    }
    MakeRaw(tio);
    tio.c_cflag &=
        ~tcflag_t(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= CLOCAL | CREAD | BOTHER | (BOTHER << IBSHIFT);
    tio.c_cflag |= SizeFlag(line.DataBits) | ParityFlags(line.Parity);
    if (line.StopBits != sbOneStopBit) {
        tio.c_cflag |= CSTOPB;
    }
    if (line.HardwareFlow) {
        tio.c_cflag |= CRTSCTS;
    }
    tio.c_ispeed = tio.c_ospeed = line.BaudRate;
    if (line.ParityCheck && line.Parity != prNone) {
        tio.c_iflag |= INPCK;
    }
    if (line.XonXoffOut) {
        tio.c_iflag |= IXON;
    }
    if (line.XonXoffIn) {
        tio.c_iflag |= IXOFF;
    }
    tio.c_cc[VSTART] = line.XonChar;
    tio.c_cc[VSTOP] = line.XoffChar;
    if (::ioctl(fd, TCSETS2, &tio) != 0) {
        return errno;
    }
    return 0;
}
