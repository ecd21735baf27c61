// oehook/send_options.cpp: the accelerator letter of a control's caption.
#include "oehook/send_options.h"

#include <cctype>

char AcceleratorOf(const std::string& p_sCaption)
{
    for (size_t i = 0; i + 1 < p_sCaption.size(); ++i)
    {
        if (p_sCaption[i] != '&')
            continue;
        if (p_sCaption[i + 1] == '&')
        {
            ++i;
            continue;
        }
        return static_cast<char>(std::toupper(static_cast<unsigned char>(p_sCaption[i + 1])));
    }
    return 0;
}
