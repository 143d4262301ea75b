#include "records/TextRecordFile.h"

#include <algorithm>
#include <stdexcept>

#include "records/AtomicFile.h"
#include "records/Cp932.h"

namespace callpad {

std::optional<Refusal> checkFieldText(TextInput input, std::string_view text) {
    if (text.find('"') != std::string_view::npos) {
        return Refusal{input, Refusal::DoubleQuote, "\""};
    }
    auto encoded = encodeCp932(text);
    if (encoded.unencodable) {
        return Refusal{input, Refusal::Unencodable, *encoded.unencodable};
    }
    return std::nullopt;
}

std::string encodeRecord(const std::vector<std::string>& fields) {
    std::size_t longest = 2;
    for (const auto& field : fields) {
        longest += field.size() + 3;
    }
    std::string line;
    line.reserve(longest);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].find('"') != std::string::npos) {
            throw std::invalid_argument("a field holds a double quote");
        }
        line += i == 0 ? "\"" : ",\"";
        if (appendCp932(line, fields[i])) {
            throw std::invalid_argument("a field holds a character that code page 932 lacks");
        }
        line += '"';
    }
    line += "\r\n";
    return line;
}

std::optional<std::string> RecordDecoder::readField() {
    if (atEnd()) {
        return std::nullopt;
    }
    std::string_view raw;
    if (m_bytes[m_pos] == '"') {
        const std::size_t close = m_bytes.find('"', m_pos + 1);
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        raw = m_bytes.substr(m_pos + 1, close - m_pos - 1);
        m_pos = close + 1;
    } else {
        // A field written by hand without quotes runs to the next comma or line end.
        const std::size_t end = std::min(m_bytes.find_first_of(",\r\n", m_pos), m_bytes.size());
        raw = m_bytes.substr(m_pos, end - m_pos);
        m_pos = end;
        if (raw.find('"') != std::string_view::npos) {
            return std::nullopt;
        }
    }
    // Skip to just behind the next comma or line end (CR LF, or a lone LF as text editors write).
    while (m_pos < m_bytes.size() && m_bytes[m_pos] != ',' && m_bytes[m_pos] != '\n') {
        ++m_pos;
    }
    m_pos = std::min(m_pos + 1, m_bytes.size());
    return decodeCp932(raw);
}

bool TextRecordFile::FileExists(std::string_view drivePath) const {
    return fileExists(m_folder, drivePath);
}

void TextRecordFile::OpenForInput(std::string_view drivePath) {
    m_path = drivePath;
    m_content = readWholeFile(m_folder, drivePath);
    m_decoder = RecordDecoder(m_content);
    m_writing = false;
}

void TextRecordFile::OpenForOutput(std::string_view drivePath, WriteMode mode) {
    m_path = drivePath;
    m_mode = mode;
    m_content.clear();
    m_decoder = RecordDecoder({});
    m_writing = true;
}

void TextRecordFile::WriteRecord(const std::vector<std::string>& fields) {
    m_content += encodeRecord(fields);
}

bool TextRecordFile::CloseFile() {
    bool written = true;
    if (m_writing) {
        m_writing = false;
        written = writeFileAtomically(m_folder, m_path, m_content, m_mode);
    }
    m_content.clear();
    m_decoder = RecordDecoder({});
    return written;
}

}  // namespace callpad
