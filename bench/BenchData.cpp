#include "BenchData.h"

#include <array>
#include <string_view>

#include "records/TextRecordFile.h"

namespace callpad::bench {

namespace {

constexpr std::array<std::string_view, 8> kParties = {
    "株式会社山田製作所", "有限会社佐々木商店", "東京中央病院",     "ＡＢＣトレーディング株式会社",
    "みどり税理士事務所", "北海運輸株式会社",   "大阪府立第一高校", "株式会社ソフトウェア開発センター",
};
constexpr std::array<std::string_view, 6> kPersons = {"田中様", "鈴木部長", "高橋さん", "渡辺課長", "伊藤様", ""};
constexpr std::array<std::string_view, 7> kSentences = {
    "先日の見積書の件でお電話がありました。",
    "至急、折り返しご連絡をお願いしたいとのことです。",
    "明日の打ち合わせは午後２時からに変更になりました。",
    "納品日を一週間ほど延ばせないかとのご相談です。",
    "資料を送ったので確認してほしいそうです（メール）。",
    "請求書の金額について確認したい点があるとのこと。",
    "外出中とお伝えしたところ、また掛け直しますとのことでした。",
};
constexpr std::array<std::string_view, 5> kDeadlines = {"本日中", "明日午前", "至急", "今週中", ""};
constexpr std::array<std::string_view, 4> kReporters = {"佐藤", "小林", "中村", "加藤"};

std::string twoDigits(int n) {
    return std::string(1, static_cast<char>('0' + n / 10 % 10)) + static_cast<char>('0' + n % 10);
}

}  // namespace

PhoneMessage sampleMessage(int n) {
    PhoneMessage m;
    m.CallerParty = kParties[n % kParties.size()];
    m.CallerPerson = kPersons[n % kPersons.size()];
    m.ReceivedDate = "2026/12/" + twoDigits(1 + n % 28);
    m.ReceivedTime = twoDigits(9 + n % 9) + ":" + twoDigits(n * 7 % 60) + ":" + twoDigits(n * 13 % 60);
    m.CallBackFlag = std::string(1, n % 3 == 0 ? '0' : '1');
    m.PhoneNumber = "03-" + twoDigits(n / 100) + twoDigits(n) + "-" + twoDigits(n * 3) + twoDigits(n * 11);
    // One to three sentences, lines separated by CR LF as the multi-line box gives them.
    for (int line = 0; line <= n % 3; ++line) {
        if (line > 0) {
            m.MessageText += "\r\n";
        }
        m.MessageText += kSentences[(n + line * 3) % kSentences.size()];
    }
    m.Deadline = kDeadlines[n % kDeadlines.size()];
    m.Reporter = kReporters[n % kReporters.size()];
    m.CallerPartyCopy = m.CallerParty;
    return m;
}

std::vector<std::string> fieldsOf(const PhoneMessage& message) {
    std::vector<std::string> fields;
    for (int f = 1; f <= PhoneMessage::kFieldCount; ++f) {
        fields.push_back(message.field(f));
    }
    return fields;
}

std::string messageFileBytes(int count) {
    std::string bytes;
    for (int n = count; n >= 1; --n) {
        bytes += encodeRecord(fieldsOf(sampleMessage(n)));
    }
    return bytes;
}

std::string largeFileBytes(std::size_t size) {
    std::string bytes;
    for (int n = 1; bytes.size() < size; ++n) {
        bytes += encodeRecord(fieldsOf(sampleMessage(n)));
    }
    return bytes;
}

}  // namespace callpad::bench
