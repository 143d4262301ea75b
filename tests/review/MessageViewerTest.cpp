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

// A value of the bar above the count, as deletions leave it, shows the last message. A deletion removes
// that message's record and shows the previous message, the new first when the first went. Of a file of
// 55, where record 53 is a twin of the first, the viewer holds the first 50: the twin is not taken for
// the message on screen.
TEST(MessageViewer, ShowsThePositionStepsByATenthAndAfterADeletionShowsThePreviousMessage) {
    const struct {
        int count;
        int position;
        const char* text;
        int largeChange;
        const char* textAfter;  // the deletion's
        int shownAfter;         // numberedMessage(shownAfter); 0: an empty message
    } cases[] = {
        {3, 1, " 1/ 3", 1, " 1/ 2", 2},        {3, 2, " 2/ 3", 1, " 1/ 2", 1},      {3, 3, " 3/ 3", 1, " 2/ 2", 2},
        {1, 1, " 1/ 1", 1, " 1/ 0", 0},        {12, 10, " 10/ 12", 1, " 9/ 11", 9}, {25, 7, " 7/ 25", 2, " 6/ 24", 6},
        {50, 50, " 50/ 50", 5, " 49/ 49", 49}, {55, 1, " 1/ 50", 5, " 1/ 49", 2},   {7, 8, " 7/ 7", 1, " 6/ 6", 6}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " of " + std::to_string(c.count));
        std::vector<PhoneMessage> messages = numberedMessages(1, c.count);
        if (c.count > 52) {
            messages[52] = messages[0];
        }
        OpenViewer open(messages);
        open.viewer.show(c.position);
        const int shown = std::min(c.position, c.count);
        EXPECT_EQ(open.viewer.positionText(), c.text);
        EXPECT_EQ(open.viewer.currentMessage(), numberedMessage(shown));
        EXPECT_EQ(open.viewer.largeChange(), c.largeChange);
        EXPECT_EQ(open.viewer.scrollMaximum(), std::min(c.count, 50));
        EXPECT_EQ(open.viewer.deleteShownMessage(open.temp.folder()), DeleteResult::Deleted);
        EXPECT_EQ(open.viewer.positionText(), c.textAfter);
        EXPECT_EQ(open.viewer.currentMessage(), c.shownAfter ? numberedMessage(c.shownAfter) : PhoneMessage{});
        messages.erase(messages.begin() + shown - 1);
        EXPECT_TRUE(sameBytes(recordsOf(messages), open.temp.read("田中callpad.txt")));
        // A position the bar never offers is a fault of the program, not a message to show.
        EXPECT_THROW(open.viewer.show(0), std::out_of_range);
        EXPECT_THROW(open.viewer.show(51), std::out_of_range);
    }
}

TEST(MessageViewer, TicksCallBackOnlyForTheFlagOne) {
    for (const auto& [flag, ticked] : {std::pair{"1", true}, {"0", false}, {"", false}, {"2", false}}) {
        EXPECT_EQ(OpenViewer({{"", "", "", "", flag, "", "", "", "", ""}}).viewer.callBackChecked(), ticked) << flag;
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

}  // namespace
}  // namespace callpad::test
