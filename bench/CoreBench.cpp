// The figures of the logic: each action of a screen, and next to it the least the machine must do for it
// (the same file reads and atomic writes without decoding or encoding), measured in the same run.
//
//   callpad_bench <disk folder> <memory folder> [Google Benchmark flags]
//
// The disk folder should lie on the disk that holds the user's data. The figures "without flush" run the
// same code in the memory folder, on a tmpfs such as /dev/shm, where fsync returns at once and a rename
// starts no writeback, so they leave out all that the disk itself costs. Both folders are made afresh.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchData.h"
#include "export/MessageExport.h"
#include "export/Workbook.h"
#include "messages/MessageFile.h"
#include "messages/MessageStore.h"
#include "records/AtomicFile.h"
#include "records/Cp932.h"
#include "records/FolderLock.h"
#include "records/TextRecordFile.h"
#include "review/MessageViewer.h"

namespace callpad::bench {
namespace {

std::optional<DataFolder> g_disk;
std::optional<DataFolder> g_memory;

const DataFolder& folder() {
    return *g_disk;
}

// The disk folder for the figures with the flush to disk, the memory folder for those without.
const DataFolder& folderFor(const benchmark::State& state, int flushArgument) {
    return state.range(flushArgument) != 0 ? *g_disk : *g_memory;
}

// Writes a file plainly, outside the timed part, to give each iteration the same file.
void putFile(const DataFolder& target, std::string_view drivePath, const std::string& bytes) {
    std::ofstream out(target.resolve(drivePath), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
        throw std::runtime_error("cannot write a benchmark file");
    }
}

// --- record codec ---------------------------------------------------------------------------------------

// range(0): 0 the 50-message file, 1 the large file.
std::string codecPath(const benchmark::State& state) {
    return state.range(0) == 0 ? "c:\\codec50callpad.txt" : "c:\\codec10mbcallpad.txt";
}

// The floor: the same bytes read whole (open, size, one read into a string of that size) and scanned once
// for line ends, without decoding. Written here, so that it does not depend on the program's file layer.
void ReadPlain(benchmark::State& state) {
    const std::filesystem::path path = folder().resolve(codecPath(state));
    std::size_t size = 0;
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat info {};
        if (fd < 0 || ::fstat(fd, &info) != 0) {
            state.SkipWithError("cannot open the file");
            break;
        }
        std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
        std::size_t done = 0;
        for (ssize_t count = 1; count > 0 && done < bytes.size(); done += static_cast<std::size_t>(count)) {
            count = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (count < 0) {
                state.SkipWithError("cannot read the file");
                break;
            }
        }
        ::close(fd);
        benchmark::DoNotOptimize(std::count(bytes.begin(), bytes.end(), '\n'));
        size = bytes.size();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

// The bytes, already in memory, decoded field by field into UTF-8 as a load does after its read.
void Decode(benchmark::State& state) {
    const std::string bytes = readWholeFile(folder(), codecPath(state));
    for (auto _ : state) {
        RecordDecoder decoder(bytes);
        while (!decoder.atEnd()) {
            auto field = decoder.readField();
            if (!field) {
                state.SkipWithError("the file does not decode");
                return;
            }
            benchmark::DoNotOptimize(field->data());
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

// The decoded records, in memory, encoded back into the file's bytes as a save does before its write.
void Encode(benchmark::State& state) {
    const std::string bytes = readWholeFile(folder(), codecPath(state));
    std::vector<std::vector<std::string>> records;
    RecordDecoder decoder(bytes);
    while (!decoder.atEnd()) {
        std::vector<std::string> fields;
        for (int f = 0; f < PhoneMessage::kFieldCount; ++f) {
            fields.push_back(*decoder.readField());
        }
        records.push_back(std::move(fields));
    }
    std::string out;
    for (auto _ : state) {
        // Sized up front like the plain read's string, so that growing it is not counted as encoding.
        out.clear();
        out.reserve(bytes.size());
        for (const auto& record : records) {
            out += encodeRecord(record);
        }
        benchmark::DoNotOptimize(out.data());
    }
    if (out != bytes) {
        state.SkipWithError("the encoded bytes differ from the file");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

// --- the entry screen's save ----------------------------------------------------------------------------

// range(0): messages in the file before the save; range(1): 1 with the flush to disk, 0 without.
void Save(benchmark::State& state) {
    const DataFolder& target = folderFor(state, 1);
    const int count = static_cast<int>(state.range(0));
    const std::string path = "c:\\savecallpad.txt";
    const std::string before = messageFileBytes(count);
    const PhoneMessage message = sampleMessage(count + 1);
    for (auto _ : state) {
        state.PauseTiming();
        putFile(target, path, before);
        state.ResumeTiming();
        if (saveNewMessage(target, path, message) != SaveResult::Saved) {
            state.SkipWithError("not saved");
            return;
        }
    }
    if (readWholeFile(target, path) != messageFileBytes(count + 1)) {
        state.SkipWithError("the saved file differs from the expected bytes");
    }
}

// The file work alone of a rewrite: lock, read the file as it is, replace it with `after`.
void timeFileWork(benchmark::State& state, const DataFolder& target, const std::string& path, const std::string& before,
                  const std::string& after) {
    for (auto _ : state) {
        state.PauseTiming();
        putFile(target, path, before);
        state.ResumeTiming();
        const FolderLock lock(target);
        benchmark::DoNotOptimize(readWholeFile(target, path).size());
        writeFileAtomically(target, path, after);
    }
}

// The floor of a save: the same lock, read and atomic rewrite of the same bytes, without decoding or encoding.
void SaveFloor(benchmark::State& state) {
    const DataFolder& target = folderFor(state, 1);
    const int count = static_cast<int>(state.range(0));
    const std::string path = "c:\\savefloorcallpad.txt";
    const std::string before = messageFileBytes(count);
    const std::string after = messageFileBytes(count + 1);
    timeFileWork(state, target, path, before, after);
}

// --- the message viewer ---------------------------------------------------------------------------------

std::string viewerRecipient(int count) {
    return "viewer" + std::to_string(count);
}

// range(0): messages in the file.
void ViewerLoad(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::string recipient = viewerRecipient(count);
    MessageViewer viewer;
    for (auto _ : state) {
        const MessageLoad load = viewer.load(folder(), recipient);
        benchmark::DoNotOptimize(load);
    }
    if (viewer.MessageCount() != count) {
        state.SkipWithError("the viewer did not load every message");
    }
}

// The floor of a load: the file's existence checked and its bytes read.
void ViewerLoadFloor(benchmark::State& state) {
    const std::string path = MessageFilePath(viewerRecipient(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        benchmark::DoNotOptimize(fileExists(folder(), path));
        benchmark::DoNotOptimize(readWholeFile(folder(), path).size());
    }
}

std::string withoutFirstMessage() {
    const std::string all = messageFileBytes(50);
    return all.substr(encodeRecord(fieldsOf(sampleMessage(50))).size());
}

// 削除 at position 1 of 50: the file is read again under the lock and rewritten without the record.
// range(0): 1 with the flush to disk, 0 without.
void ViewerDelete(benchmark::State& state) {
    const DataFolder& target = folderFor(state, 0);
    const std::string recipient = "delete";
    const std::string path = MessageFilePath(recipient);
    const std::string before = messageFileBytes(50);
    std::optional<MessageViewer> viewer;
    for (auto _ : state) {
        state.PauseTiming();
        putFile(target, path, before);
        viewer.emplace();
        viewer->load(target, recipient);
        state.ResumeTiming();
        if (viewer->deleteShownMessage(target) != DeleteResult::Deleted) {
            state.SkipWithError("not deleted");
            return;
        }
    }
    if (readWholeFile(target, path) != withoutFirstMessage()) {
        state.SkipWithError("the rewritten file differs from the expected bytes");
    }
}

// The floor of a deletion: lock, read, atomic rewrite of the remaining bytes.
void ViewerDeleteFloor(benchmark::State& state) {
    const DataFolder& target = folderFor(state, 0);
    const std::string path = "c:\\deletefloorcallpad.txt";
    const std::string before = messageFileBytes(50);
    const std::string after = withoutFirstMessage();
    timeFileWork(state, target, path, before, after);
}

// --- the export -----------------------------------------------------------------------------------------

// 切取 with 50 messages on screen into a fresh workbook: cells, the size check, the .xls file.
// range(0): 1 with the flush to disk, 0 without (python3-xlwt does not flush).
void Export(benchmark::State& state) {
    const DataFolder& target = folderFor(state, 0);
    MessageViewer viewer;
    viewer.load(folder(), "export");
    std::optional<Workbook> workbook;
    for (auto _ : state) {
        state.PauseTiming();
        workbook.emplace();
        state.ResumeTiming();
        writeMessagesToSheet(*workbook->sheets(kExportSheetName), viewer.table());
        if (workbook->firstOversizedCell()) {
            state.SkipWithError("a cell is too long");
            return;
        }
        workbook->saveas(target, kExportPath);
    }
}

// The floor of the export: the same .xls bytes written atomically. range(0) as for Export.
void ExportFloor(benchmark::State& state) {
    const DataFolder& target = folderFor(state, 0);
    MessageViewer viewer;
    viewer.load(folder(), "export");
    Workbook workbook;
    writeMessagesToSheet(*workbook.sheets(kExportSheetName), viewer.table());
    const std::string bytes = workbook.xlsBytes();
    for (auto _ : state) {
        writeFileAtomically(target, kExportPath, bytes);
    }
}

void registerAll() {
    const auto micro = benchmark::kMicrosecond;
    for (const int file : {0, 1}) {
        benchmark::RegisterBenchmark("ReadPlain", ReadPlain)->Arg(file)->Unit(micro);
        benchmark::RegisterBenchmark("Decode", Decode)->Arg(file)->Unit(micro);
        benchmark::RegisterBenchmark("Encode", Encode)->Arg(file)->Unit(micro);
    }
    for (const int flush : {1, 0}) {
        for (const int count : {0, 25, 49}) {
            benchmark::RegisterBenchmark("Save", Save)->Args({count, flush})->Unit(micro);
            benchmark::RegisterBenchmark("SaveFloor", SaveFloor)->Args({count, flush})->Unit(micro);
        }
    }
    for (const int count : {0, 1, 50}) {
        benchmark::RegisterBenchmark("ViewerLoad", ViewerLoad)->Arg(count)->Unit(micro);
        benchmark::RegisterBenchmark("ViewerLoadFloor", ViewerLoadFloor)->Arg(count)->Unit(micro);
    }
    for (const int flush : {1, 0}) {
        benchmark::RegisterBenchmark("ViewerDelete", ViewerDelete)->Arg(flush)->Unit(micro);
        benchmark::RegisterBenchmark("ViewerDeleteFloor", ViewerDeleteFloor)->Arg(flush)->Unit(micro);
        benchmark::RegisterBenchmark("Export", Export)->Arg(flush)->Unit(micro);
        benchmark::RegisterBenchmark("ExportFloor", ExportFloor)->Arg(flush)->Unit(micro);
    }
}

DataFolder freshFolder(const std::filesystem::path& root) {
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root);
    return DataFolder(root);
}

// The files the benchmarks read; "exportcallpad.txt" is also what bench/xlwt_export.py writes out.
void makeFiles(const std::filesystem::path& disk, const std::filesystem::path& memory) {
    g_disk.emplace(freshFolder(disk));
    g_memory.emplace(freshFolder(memory));
    putFile(folder(), "c:\\codec50callpad.txt", messageFileBytes(50));
    putFile(folder(), "c:\\codec10mbcallpad.txt", largeFileBytes(10 * 1000 * 1000));
    for (const int count : {0, 1, 50}) {
        putFile(folder(), MessageFilePath(viewerRecipient(count)), messageFileBytes(count));
    }
    putFile(folder(), MessageFilePath("export"), messageFileBytes(50));
}

// The first decode of a run: the code page tables are constant data in the program, so this is one call
// plus reading their pages in; the benchmarks above all run with them at hand.
double firstCodecUseMilliseconds() {
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(decodeCp932("\x8e\x8a\x8b\x7d"));
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace
}  // namespace callpad::bench

int main(int argc, char** argv) {
    const double firstUse = callpad::bench::firstCodecUseMilliseconds();
    benchmark::Initialize(&argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <disk folder> <memory folder> [benchmark flags]\n", argv[0]);
        return 2;
    }
    benchmark::AddCustomContext("codec_first_use_ms", std::to_string(firstUse));
    callpad::bench::makeFiles(argv[1], argv[2]);
    callpad::bench::registerAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
