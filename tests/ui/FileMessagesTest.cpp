#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>

#include "records/FileError.h"
#include "ui/Controls.h"
#include "ui/Handlers.h"
#include "ui/MessageBox.h"

// The texts of the message boxes that report failures: each of the file layer names the real folder or
// file, with the home folder as "~".
namespace callpad {
namespace {

// A data folder the program cannot use, and permission failures met by another account on a shared
// folder (the two-account tests produce these errors; they need other user ids), are named with the
// real folder or file and tell the user the fix; the folder that receives the workbook is the
// account's own and gets no advice on groups. FaultInjectionTest shows that such failures write nothing.
TEST(FileMessages, FailuresNameTheirFileAndTellTheFix) {
    ui::RecordedMessageBoxes boxes;
    using enum FileOperation;
    // Each error and parts of its text; a text speaks of groups only where its parts do.
    const std::pair<FileError, QStringList> cases[] = {
        // a link to a share that is not mounted
        {FileError(Reach, ENOENT, "~/data-link"), {"データフォルダー ~/data-link に接続できません", "マウント"}},
        // a share mounted with nolock
        {FileError(LocalLock, ENOLCK, "~/share/callpad", "nolock"),
         {"データフォルダー ~/share/callpad は", "「nolock」でマウントされているため"}},
        // a link under the lock file's name
        {FileError(Lock, ELOOP, "~/own/callpad/callpad.lock"),
         {"ロックファイル ~/own/callpad/callpad.lock がシンボリックリンク"}},
        // a lock file made by another account without group write
        {FileError(Lock, EACCES, "/srv/callpad/callpad.lock"),
         {"ロックファイル /srv/callpad/callpad.lock", "このファイルを削除してください"}},
        // a sticky folder refusing to replace another account's file
        {FileError(Write, EPERM, "~/.local/share/callpad/田中callpad.txt"),
         {"ファイル ~/.local/share/callpad/田中callpad.txt を書き込めません", "グループと権限の設定",
          QStringLiteral("エラー %1").arg(EPERM)}},
        // a workbook folder this account may not write
        {FileError(Write, EACCES, "~/ドキュメント/callpad.xls", {}, FolderKind::Workbook),
         {"ファイル ~/ドキュメント/callpad.xls を書き込めません", "このアカウントには、このフォルダーに書き込む権限"}},
        // a file protected against writing
        {FileError(ReadOnly, EACCES, "~/data/田中callpad.txt"),
         {"ファイル ~/data/田中callpad.txt は読み取り専用", "ファイルは変更していません"}},
        // a workbook that a spreadsheet holds open
        {FileError(Write, EWOULDBLOCK, "~/ドキュメント/callpad.xls", {}, FolderKind::Workbook),
         {"ファイル ~/ドキュメント/callpad.xls はほかのプログラム（Excel など）で開かれているため、書き込めません。"}},
        // a message file that another program holds open when it is read
        {FileError(Read, EWOULDBLOCK, "~/data/田中callpad.txt"),
         {"ファイル ~/data/田中callpad.txt はほかのプログラム（Excel など）で開かれているため、読み込めません。",
          "ファイルは変更していません"}},
        // a data folder that cannot be created
        {FileError(CreateFolder, EACCES, "/srv/callpad"),
         {"フォルダー /srv/callpad を作成できません", "グループと権限の設定"}},
        // a workbook folder behind a link to nothing
        {FileError(Reach, ENOENT, "~/ドキュメント", {}, FolderKind::Workbook),
         {"書き出し先のフォルダー ~/ドキュメント に接続できません"}},
        // on Windows, a file left in C:\ after the files moved into the folder C:\callpad
        {FileError(LeftInFormerFolder, ENOENT, "C:\\callpad\\田中callpad.txt", "C:\\田中callpad.txt"),
         {"ファイル C:\\callpad\\田中callpad.txt がありません", "ファイル C:\\田中callpad.txt が残っています",
          "ファイルを C:\\callpad\\ にコピーし、そのあと元のファイルを削除してください",
          "README.txt「C:\\ に置いていたファイル」"}},
    };
    for (const auto& [error, said] : cases) {
        SCOPED_TRACE(error.path());
        ui::runHandler(nullptr, [&] { throw error; });
        const QString text = boxes.last();
        for (const QString& part : said) {
            EXPECT_TRUE(text.contains(part)) << ui::utf8(text);
        }
        EXPECT_EQ(text.contains(u"グループ"), said.join(' ').contains(u"グループ")) << ui::utf8(text);
    }
    // Any other failure is a fault of the program, which abandons the handler with one fixed text.
    ui::runHandler(nullptr, [] { throw std::out_of_range("no message at position 0"); });
    EXPECT_EQ(
        boxes.last(),
        QStringLiteral("プログラムの内部エラーのため、この操作を中止しました。\nコールパッドは引き続き使えます。"));
}

// The Windows program points to the sections of the README.txt it ships with, never to the Linux
// README's advice on groups.
TEST(FileMessages, OnWindowsTheFixIsInTheReadMeThatShipsWithTheProgram) {
    using enum FileOperation;
    const std::pair<FileError, QString> cases[] = {
        {FileError(Write, EACCES, "C:\\callpad\\田中callpad.txt"),
         "管理者にフォルダーの権限を確認してもらってください（README.txt「権限がないとき」）"},
        {FileError(Lock, EACCES, "C:\\callpad\\callpad.lock"), "（README.txt「権限がないとき」）"},
        {FileError(Write, EWOULDBLOCK, "C:\\callpad\\callpad.xls", {}, FolderKind::Workbook),
         "（README.txt「ほかのプログラムが開いているとき」）"},
        {FileError(ReadOnly, EACCES, "C:\\callpad\\田中callpad.txt"), "（README.txt「読み取り専用のファイル」）"},
    };
    for (const auto& [error, said] : cases) {
        const QString text = ui::failureText(error, ui::HelpFor::Windows);
        EXPECT_TRUE(text.contains(said)) << ui::utf8(text);
        EXPECT_FALSE(text.contains(u"グループ") || text.contains(u"README「")) << ui::utf8(text);
    }
}

}  // namespace
}  // namespace callpad
