#include <gtest/gtest.h>

#include <algorithm>

#include "records/FileError.h"
#include "review/MessageViewer.h"
#include "support/Bytes.h"
#include "support/Samples.h"
#include "support/TempFolder.h"

namespace callpad::test {
namespace {

// A viewer opened for 田中, whose file holds `messages`.
struct OpenViewer {
    explicit OpenViewer(const std::vector<PhoneMessage>& messages) {
        temp.write("田中callpad.txt", recordsOf(messages));
        viewer.load(temp.folder(), "田中");
    }
    TempFolder temp;
    MessageViewer viewer;
};

// A value of the bar above the count, as deletions leave it, shows the last message.
TEST(MessageViewer, ShowsThePositionAndStepsByATenth) {
    const struct {
        int count;
        int position;
        const char* text;
        int largeChange;
    } cases[] = {
        {3, 1, " 1/ 3", 1}, {12, 10, " 10/ 12", 1}, {25, 7, " 7/ 25", 2}, {50, 50, " 50/ 50", 5}, {7, 8, " 7/ 7", 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        OpenViewer open(numberedMessages(1, c.count));
        open.viewer.show(c.position);
        EXPECT_EQ(open.viewer.positionText(), c.text);
        EXPECT_EQ(open.viewer.currentMessage(), numberedMessage(std::min(c.position, c.count)));
        EXPECT_EQ(open.viewer.largeChange(), c.largeChange);
        EXPECT_EQ(open.viewer.scrollMaximum(), c.count);
        // A position the bar never offers is a fault of the program, not a message to show.
        EXPECT_THROW(open.viewer.show(0), std::out_of_range);
        EXPECT_THROW(open.viewer.show(51), std::out_of_range);
    }
}

TEST(MessageViewer, TicksCallBackOnlyForTheFlagOne) {
    for (const auto& [flag, ticked] : {std::pair{"1", true}, {"0", false}, {"", false}, {"2", false}}) {
        PhoneMessage flagged = sampleMessage("A");
        flagged.CallBackFlag = flag;
        EXPECT_EQ(OpenViewer({flagged}).viewer.callBackChecked(), ticked) << "flag '" << flag << "'";
    }
}

TEST(MessageViewer, ShowsNothingOfThePreviousRecipientWhenTheNextHasNoFileOrCannotBeRead) {
    OpenViewer open(numberedMessages(1, 5));
    open.viewer.show(4);
    open.viewer.load(open.temp.folder(), "山田");
    EXPECT_EQ(open.viewer.positionText(), " 1/ 0");
    EXPECT_EQ(open.viewer.currentMessage(), PhoneMessage{});
    EXPECT_EQ(open.viewer.deleteShownMessage(open.temp.folder()), std::nullopt);
    EXPECT_EQ(open.temp.listing(), "田中callpad.txt");

    open.viewer.load(open.temp.folder(), "田中");
    std::filesystem::create_directory(open.temp.root() / std::filesystem::path(u8"山田callpad.txt"));
    EXPECT_THROW(open.viewer.load(open.temp.folder(), "山田"), FileError);
    EXPECT_EQ(open.viewer.MessageCount(), 0);
    EXPECT_EQ(open.viewer.currentMessage(), PhoneMessage{});
}

// After a deletion the previous message is shown, the new first when the first went.
TEST(MessageViewer, DeletingShowsThePreviousMessage) {
    const struct {
        int count;
        int position;
        const char* text;
        int shown;  // numberedMessage(shown); 0: an empty message
        std::vector<int> left;
    } cases[] = {{3, 1, " 1/ 2", 2, {2, 3}},
                 {3, 2, " 1/ 2", 1, {1, 3}},
                 {3, 3, " 2/ 2", 2, {1, 2}},
                 {1, 1, " 1/ 0", 0, {}},
                 {8, 5, " 4/ 7", 4, {1, 2, 3, 4, 6, 7, 8}}};
    for (const auto& c : cases) {
        SCOPED_TRACE("position " + std::to_string(c.position) + " of " + std::to_string(c.count));
        OpenViewer open(numberedMessages(1, c.count));
        open.viewer.show(c.position);
        EXPECT_EQ(open.viewer.deleteShownMessage(open.temp.folder()), DeleteResult::Deleted);
        EXPECT_EQ(open.viewer.positionText(), c.text);
        EXPECT_EQ(open.viewer.currentMessage(), c.shown ? numberedMessage(c.shown) : PhoneMessage{});
        EXPECT_EQ(numbersInFile(open.temp.folder(), "c:\\田中callpad.txt"), c.left);
    }
}

TEST(MessageViewer, ATwinBeyondTheFiftiethIsNotTakenForTheMessageOnScreen) {
    // Records 1 and 53 are identical; the viewer holds the first 50 and deletes its first.
    std::vector<PhoneMessage> messages = numberedMessages(1, 55);
    messages[52] = messages[0];
    OpenViewer open(messages);
    EXPECT_EQ(open.viewer.deleteShownMessage(open.temp.folder()), DeleteResult::Deleted);
    EXPECT_TRUE(sameBytes(recordsOf({messages.begin() + 1, messages.end()}), open.temp.read("田中callpad.txt")));
}

}  // namespace
}  // namespace callpad::test
