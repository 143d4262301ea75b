// Feeds arbitrary bytes to everything that reads a data file: the record decoder, the name list
// and message file loads, the viewer's load and a deletion. Any crash, sanitizer report, uncaught
// exception (an out-of-range slot throws) or broken invariant is a finding.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "messages/MessageFile.h"
#include "names/NameList.h"
#include "records/TextRecordFile.h"
#include "review/MessageViewer.h"

namespace {

using namespace callpad;

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// In memory where the system offers it: every input is written, read and rewritten.
const DataFolder& scratchFolder() {
    static const std::filesystem::path base =
        std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    static const DataFolder folder(base / ("callpad-fuzz-" + std::to_string(::getpid())));
    static const bool cleanUpAtExit = std::atexit([] { std::filesystem::remove_all(folder.root()); }) == 0;
    (void)cleanUpAtExit;
    return folder;
}

void writeFile(const char* name, std::string_view bytes) {
    std::ofstream out(scratchFolder().root() / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Every field the decoder gives reads back as itself once written again, when it can be written.
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

    const DataFolder& folder = scratchFolder();
    folder.create();
    writeFile("callpadUT.txt", bytes);
    NameList names;
    LoadNameList(folder, kRecipientListPath, names);
    check(names.NameCount >= 0 && names.NameCount <= NameList::kCapacity);
    check(names.beyondCapacity.empty() || names.NameCount == NameList::kCapacity);

    writeFile("fuzzcallpad.txt", bytes);
    MessageViewer viewer;
    const MessageLoad load = viewer.load(folder, "fuzz");
    check(viewer.MessageCount() >= 0 && viewer.MessageCount() <= MessageTable::kCapacity);
    check(load.recordsBeyondCapacity == 0 || viewer.MessageCount() == MessageTable::kCapacity);
    viewer.show(std::max(1, viewer.MessageCount()));
    const bool messageShown = viewer.MessageCount() > 0;
    const auto result = viewer.deleteShownMessage(folder);
    check(result.has_value() == messageShown);
    check(result != DeleteResult::NotInFile);
    check(result != DeleteResult::Deleted || !load.damaged);
    return 0;
}
