#include "kznAIutil.h"

#include <cstring>

#include "host/suites.h"

ASErr GetArtText(ArtHandle art, char* buffer, ASInt32* count) {
    TextStreamRef stream = nullptr;
    sTextStream->OpenTextStream(art, kTextStreamRead, &stream);
    ASInt32 wanted = *count;
    if (sTextStream->ReadTextStream(stream, buffer, &wanted) != kNoErr || wanted < 0 ||
        wanted > *count) {
        wanted = 0;  // nothing trustworthy was read
    }
    *count = wanted;
    sTextStream->DisposeTextStream(stream);
    buffer[*count] = 0;
    if (*count > 0 && buffer[*count - 1] == '\r') {
        buffer[*count - 1] = 0;
    }
    return kNoErr;
}

ASErr SetArtText(ArtHandle art, const char* text) {
    const auto length = static_cast<ASInt32>(std::strlen(text));
    TextStreamRef stream = nullptr;
    sTextStream->OpenTextStream(art, kTextStreamWrite, &stream);
    sTextStream->WriteTextStream(stream, text, length);
    sTextStream->DisposeTextStream(stream);
    return kNoErr;
}
