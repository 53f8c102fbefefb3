#include "transport/com_translation.h"

#include <libintl.h>

std::string TranslateComPort(const char* text) {
    return dgettext(ComPortTextDomain, text);
}
