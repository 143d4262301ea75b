// Feeds arbitrary bytes, in memory, to what reads a data file: the record decoder, taking fields as the
// name lists do (one a record) and as the message files do (ten a record), and the code page 932
// decoder. The loaders themselves only read files, which would cost a write and an fsync per input. Any
// crash, sanitizer report, uncaught exception or broken invariant is a finding.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "messages/PhoneMessage.h"
#include "records/Cp932.h"
#include "records/TextRecordFile.h"

namespace {

using namespace callpad;

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Every field the decoder gives reads back as itself once written again, when it can be written; every
// record moves the decoder on.
void decodeAndReencode(std::string_view bytes, int fieldsPerRecord) {
    RecordDecoder decoder(bytes);
    while (!decoder.atEnd()) {
        const std::size_t before = decoder.position();
        for (int i = 0; i < fieldsPerRecord && !decoder.atEnd(); ++i) {
            const auto field = decoder.readField();
            if (!field) {
                return;
            }
            if (!checkFieldText(TextInput::Content, *field)) {
                const std::string line = encodeRecord({*field});
                RecordDecoder again(line);
                check(again.readField() == *field && again.atEnd());
            }
        }
        check(decoder.position() > before);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    decodeAndReencode(bytes, 1);
    decodeAndReencode(bytes, PhoneMessage::kFieldCount);
    // A text read from a file can be written again, and reads back as itself.
    if (const auto text = decodeCp932(bytes)) {
        const Cp932Encoding encoded = encodeCp932(*text);
        check(!encoded.unencodable && decodeCp932(encoded.bytes) == text);
    }
    return 0;
}
