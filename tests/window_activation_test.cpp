// The message that ends a launch's feedback, as a window manager or launcher reassembles it from
// the pieces sent to the root window: a lost or unterminated piece leaves the busy cursor up.
#include "platform/qt/window_activation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::qt::LaunchFinishedPieces;
using platform::qt::StartupInfoPiece;

// As a receiver reads the pieces: the bytes up to the first NUL, which ends the message.
struct Reassembled {
  std::string message;
  bool complete = false;
  size_t piecesAfterTheEnd = 0;
};

Reassembled Reassemble(const std::vector<StartupInfoPiece>& pieces) {
  Reassembled result;
  for (const StartupInfoPiece& piece : pieces) {
    if (result.complete) {
      ++result.piecesAfterTheEnd;
      continue;
    }
    for (const char byte : piece) {
      if (byte == '\0') {
        result.complete = true;
        break;
      }
      result.message += byte;
    }
  }
  return result;
}

TEST(LaunchFinishedTest, EveryLengthOfIdReassemblesIntoExactlyItsRemoveMessage) {
  for (const std::string& unit : {std::string("x"), std::string("a\"b\\")}) {
    for (int length = 1; length <= 200; ++length) {
      std::string id;
      while (static_cast<int>(id.size()) < length) {
        id += unit[id.size() % unit.size()];
      }
      SCOPED_TRACE(id);
      std::string quoted;
      for (const char c : id) {
        quoted += c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
      }
      const Reassembled got = Reassemble(LaunchFinishedPieces(QString::fromStdString(id)));
      ASSERT_TRUE(got.complete) << "no piece ends the message";
      EXPECT_EQ(got.message, "remove: ID=\"" + quoted + "\"");
      EXPECT_EQ(got.piecesAfterTheEnd, 0u);
    }
  }
}

}  // namespace
