#pragma once
// The socket layer's error codes and texts. Codes are the WinSock numbers that the panel tool's
// messages were written for; the system's own numbers (errno, resolver results) are translated
// into them by one explicit table, since Linux numbers differ from the BSD ones the codes follow.
// The last error is kept per thread, as the system keeps errno.

#include <string>

// The text of a socket error code: "No Error" for 0, the empty text for 11004, "Not a WinSock
// error" for a code outside the table.
std::string SocketErrorText(int code);

// The code for a Linux errno value. 0 gives 0; an errno without a counterpart keeps its own
// number (below 10000, so its text reads "Not a WinSock error").
int SocketErrorFromErrno(int error);

// The code for a failed getaddrinfo: its EAI_ result and, for EAI_SYSTEM, the errno it left.
int SocketErrorFromResolver(int result, int error);

// The last socket error of the calling thread.
int LastSocketError();
void SetLastSocketError(int code);
// Records the calling thread's errno as its last socket error.
void NoteSocketErrno();
