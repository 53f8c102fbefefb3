#pragma once
// What a technician reads first when the serial port fails: a plain headline that says what
// happened in the words of the workshop (the device is gone, the port is not there, the user
// may not open it, another program holds it), with the failure's own text and what the system
// said kept beneath it as the detail. Failures without such a headline keep their own text.

#include <exception>
#include <string>

struct TFailureText {
    std::string Message; // the headline, or the failure's own text
    std::string Detail;  // the failure's own text and detail under a headline, else its detail
};

TFailureText PlainFailure(const std::exception& error);
