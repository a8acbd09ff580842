// NPjbus against the libmodbus unit simulator: COM1 is the unit's line, COM2 the
// simulator's command line (tools/wine-kvunit with sim/ventra-unit).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "npjbus/npjbus.h"
#include "tools/wintest/unit_command_line.h"

namespace {

constexpr int kSlave = 1;
constexpr int kCorrectRequests = 0x702C;  // the unit's own request counter

class Jbus : public ::testing::Test {
  protected:
    void SetUp() override {
        handle_ = JbusOpenCom("COM1", 57600);
        ASSERT_GE(handle_, 0) << ::GetLastError();
    }
    void TearDown() override {
        unit_.send("restore");
        if (handle_ != -1) JbusCloseCom(&handle_);
    }
    unsigned short read_one(int address) {
        unsigned short word = 0;
        EXPECT_EQ(JbusReadSeveralWords(handle_, kSlave, address, 1, &word), JBUS_OK);
        return word;
    }

    int handle_ = -1;
    np::testing::UnitCommandLine unit_;
};

TEST_F(Jbus, EveryBlockTheConsoleUsesIsReadAndWrittenWhole) {
    struct Block {
        int address, count;
    };
    for (const Block read : {Block{0x7000, 15}, {0x700F, 15}, {0x7012, 7}, {0x7015, 4},
                             {0x7019, 5}, {0x701E, 8}, {0x7026, 1}, {0x7028, 4}, {0x702C, 9},
                             {0x6809, 5}, {0x7068, 11}, {0x7079, 14}}) {
        std::vector<unsigned short> words(read.count, 0xAAAA);
        EXPECT_EQ(JbusReadSeveralWords(handle_, kSlave, read.address, read.count, words.data()),
                  JBUS_OK)
            << std::hex << read.address;
    }
    for (const Block write : {Block{0x7041, 16}, {0x7051, 40}, {0x7079, 20}, {0x708D, 20},
                              {0x70A1, 2}, {0x6818, 20}, {0x7053, 1}}) {
        std::vector<unsigned short> words(write.count), back(write.count);
        for (int i = 0; i < write.count; ++i) words[i] = static_cast<unsigned short>(write.address * 3 + i);
        const int written = write.count == 1
                                ? JbusWriteOneWord(handle_, kSlave, write.address, words[0])
                                : JbusWriteSeveralWords(handle_, kSlave, write.address,
                                                        write.count, words.data());
        EXPECT_EQ(written, JBUS_OK) << std::hex << write.address;
        EXPECT_EQ(JbusReadSeveralWords(handle_, kSlave, write.address, write.count, back.data()),
                  JBUS_OK);
        EXPECT_EQ(back, words) << std::hex << write.address;
    }
    // The identification text arrives with its first character in the low byte.
    unsigned short id[15] = {};
    ASSERT_EQ(JbusReadSeveralWords(handle_, kSlave, 0x7000, 15, id), JBUS_OK);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(id), 10), "NorvanePan");
    // A command reaches the unit: the program selection follows it.
    EXPECT_EQ(JbusWriteOneWord(handle_, kSlave, 0x7040, 0x0204), JBUS_OK);
    EXPECT_EQ(read_one(0x7015), 0x02);
}

TEST_F(Jbus, AnExceptionAnswerIsReportedWithItsCodeAndNotRepeated) {
    const unsigned short before = read_one(kCorrectRequests);
    unit_.send("exception 2 1");
    unsigned short words[7] = {1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(JbusReadSeveralWords(handle_, kSlave, 0x7012, 7, words), JBUS_ERR_EXCEPTION + 2);
    EXPECT_EQ(words[0], 1);
    EXPECT_EQ(read_one(kCorrectRequests), before + 2);  // the refused request and this one
    unit_.send("exception 4 1");
    EXPECT_EQ(JbusWriteOneWord(handle_, kSlave, 0x7040, 0x0085), JBUS_ERR_EXCEPTION + 4);
}

TEST_F(Jbus, DamagedAnswersAreRepeatedAndReportedWhenTheyPersist) {
    unsigned short words[5] = {};
    unit_.send("corrupt 1");
    EXPECT_EQ(JbusReadSeveralWords(handle_, kSlave, 0x7019, 5, words), JBUS_OK);
    EXPECT_EQ(words[0], 70);

    unsigned short untouched[5] = {9, 9, 9, 9, 9};
    unit_.send("corrupt 3");
    EXPECT_EQ(JbusReadSeveralWords(handle_, kSlave, 0x7019, 5, untouched), JBUS_ERR_CRC);
    EXPECT_EQ(untouched[0], 9);
    unit_.send("short 3");
    EXPECT_EQ(JbusReadSeveralWords(handle_, kSlave, 0x7019, 5, untouched), JBUS_ERR_MALFORMED);
    EXPECT_EQ(untouched[0], 9);
    unit_.send("short 3");
    EXPECT_EQ(JbusWriteOneWord(handle_, kSlave, 0x7040, 0x0085), JBUS_ERR_MALFORMED);
}

TEST_F(Jbus, ASilentUnitTimesOutAfterTheRetriesAndIsFoundAgainWhenTheLinkReturns) {
    const unsigned short before = read_one(kCorrectRequests);
    unit_.send("cut");
    unsigned short word = 0;
    EXPECT_EQ(JbusReadSeveralWords(handle_, kSlave, 0x7026, 1, &word), JBUS_ERR_TIMEOUT);
    EXPECT_EQ(JbusWriteOneWord(handle_, kSlave, 0x7040, 0x0086), JBUS_ERR_TIMEOUT);
    unit_.send("restore");
    // Every attempt reached the unit: three for each request, and this one.
    EXPECT_EQ(read_one(kCorrectRequests), before + 7);

    unit_.send("delay 60");  // slow, but within the time-out
    EXPECT_EQ(JbusReadSeveralWords(handle_, kSlave, 0x7026, 1, &word), JBUS_OK);
    EXPECT_EQ(word, 0xFFFF);
}

TEST_F(Jbus, ClosingSetsTheHandleBackAndThePortCanBeOpenedAgain) {
    EXPECT_EQ(JbusCloseCom(&handle_), JBUS_OK);
    EXPECT_EQ(handle_, -1);
    EXPECT_EQ(JbusCloseCom(&handle_), JBUS_ERR_ARGUMENT);
    EXPECT_EQ(handle_, -1);
    unsigned short word = 0;
    EXPECT_EQ(JbusReadSeveralWords(0, kSlave, 0x7026, 1, &word), JBUS_ERR_ARGUMENT);

    handle_ = JbusOpenCom("COM1", 0);  // the usual rate
    ASSERT_GE(handle_, 0);
    EXPECT_EQ(JbusReadSeveralWords(handle_, kSlave, 0x7026, 1, &word), JBUS_OK);
}

TEST_F(Jbus, BadArgumentsAreRefusedBeforeAnythingIsSent) {
    unsigned short words[126] = {};
    EXPECT_EQ(JbusReadSeveralWords(handle_, kSlave, 0x7000, 0, words), JBUS_ERR_ARGUMENT);
    EXPECT_EQ(JbusReadSeveralWords(handle_, kSlave, 0x7000, 126, words), JBUS_ERR_ARGUMENT);
    EXPECT_EQ(JbusReadSeveralWords(handle_, kSlave, 0x7000, 1, nullptr), JBUS_ERR_ARGUMENT);
    EXPECT_EQ(JbusReadSeveralWords(handle_, 0, 0x7000, 1, words), JBUS_ERR_ARGUMENT);
    EXPECT_EQ(JbusReadSeveralWords(handle_, kSlave, 0xFFFF, 2, words), JBUS_ERR_ARGUMENT);
    EXPECT_EQ(JbusWriteSeveralWords(handle_, kSlave, 0x7041, 124, words), JBUS_ERR_ARGUMENT);
    EXPECT_EQ(JbusWriteOneWord(-1, kSlave, 0x7040, 1), JBUS_ERR_ARGUMENT);
    EXPECT_EQ(JbusCloseCom(nullptr), JBUS_ERR_ARGUMENT);

    EXPECT_EQ(JbusOpenCom("COM1", 56000), -1);  // not a line rate
    EXPECT_EQ(JbusOpenCom("COM7", 57600), -1);  // no such port
    EXPECT_EQ(JbusOpenCom(nullptr, 57600), -1);
}

}  // namespace
