# Writes a "Kelm2.ini" that keeps the tool off the network into DIR, unless one is there already
# (a file someone wrote is never overwritten). Without it, a first start would tick "UDP" and poll
# the default server address, which on a development machine is somebody's real network.
#   cmake -DDIR=<directory of an executable> -P dev_settings.cmake
if(NOT EXISTS "${DIR}/Kelm2.ini")
    string(ASCII 13 cr)
    file(WRITE "${DIR}/Kelm2.ini" "[General]${cr}\nUDP=0${cr}\nIP=127.0.0.1${cr}\n")
endif()
