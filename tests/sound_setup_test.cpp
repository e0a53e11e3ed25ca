// The start-up dialogue against a scripted console and a fake sound layer:
// the version check, both menus byte for byte, the keys they take and ignore,
// the exits on ESC and end of input, initialisation and the error texts.
#include "sound/sound_setup.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "tests/fakes.h"

namespace {

using Calls = std::vector<std::string>;

const std::string kSep = std::string(57, '-') + "\n";
const std::string kPrompt = "Press a corresponding number or ESC to quit\n";
const std::string kOutputMenu = kSep + "Output Type\n" + kSep + "1 - Direct Sound\n" +
                                "2 - Windows Multimedia Waveout\n" + "3 - ASIO\n" + "4 - NoSound\n" +
                                kSep + kPrompt;
const std::string kInit = "Init(44100,32,0)";

std::string DriverMenu(const std::string& title, const std::string& lines) {
  return kSep + title + "\n" + kSep + lines + kSep + kPrompt;
}

// Set while a test must not end the process: a key read as ESC by mistake
// would otherwise end the whole run with status 0.
bool exitIsFailure = false;

void FailOnExit() {
  if (exitIsFailure) {
    std::fputs("\nexit() called by a test that must not end the process\n", stderr);
    std::_Exit(1);
  }
}

class SoundSetupTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static const bool registered = std::atexit(FailOnExit) == 0;
    (void)registered;
  }
  void SetUp() override {
    ResetFakeSound();
    ResetFakeConsole();
    Console().endOfInputThrows = true;
    exitIsFailure = true;
  }
  void TearDown() override { exitIsFailure = false; }

  static void Keys(std::initializer_list<int> codes) { Console().keys.assign(codes); }

  // SoundSetup's result, what it printed in `out`.
  bool Run() {
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    bool ok = false;
    std::string thrown;
    try {
      ok = SoundSetup();
    } catch (const std::exception& e) {
      thrown = e.what();
    }
    std::fflush(stdout);
    out = testing::internal::GetCapturedStdout();
    if (!thrown.empty()) ADD_FAILURE() << thrown;
    return ok;
  }

  // The calls that change the layer, in order.
  static Calls Actions() {
    Calls a;
    for (const std::string& c : Fsound().calls) {
      if (c.rfind("Get", 0) != 0) a.push_back(c);
    }
    return a;
  }

  std::string out;
};

TEST_F(SoundSetupTest, OlderVersionIsRefusedBeforeAnyMenu) {
  Fsound().version = 3.73f;
  Keys({'1', '1'});
  EXPECT_FALSE(Run());
  EXPECT_EQ(out, "Error : You are using the wrong DLL version!  You should be using FMOD 3.74\n");
  EXPECT_EQ(Fsound().calls, Calls{"GetVersion()"});
  EXPECT_EQ(Console().reads, 0);
}

TEST_F(SoundSetupTest, Version374AndLaterPass) {
  for (float version : {3.74f, 3.75f}) {
    SCOPED_TRACE(version);
    SetUp();
    Fsound().version = version;
    Fsound().drivers = {"default"};
    Keys({'4', '1'});
    EXPECT_TRUE(Run());
    EXPECT_EQ(Actions(), (Calls{"SetOutput(0)", "SetDriver(0)", kInit}));
  }
}

TEST_F(SoundSetupTest, NormalRunPrintsBothMenusAndInitialises) {
  Fsound().drivers = {"default", "hw:0,0"};
  Keys({'1', '2'});
  EXPECT_TRUE(Run());
  EXPECT_EQ(out, kOutputMenu + DriverMenu("Alsa Driver list", "1 - default\n2 - hw:0,0\n"));
  EXPECT_EQ(Actions(), (Calls{"SetOutput(2)", "SetDriver(1)", kInit}));
}

TEST_F(SoundSetupTest, OutputKeysSelectTheirTypes) {
  const struct {
    int key;
    const char* call;
  } kCases[] = {{'1', "SetOutput(2)"}, {'2', "SetOutput(1)"}, {'3', "SetOutput(7)"}, {'4', "SetOutput(0)"}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(static_cast<char>(c.key));
    SetUp();
    Fsound().drivers = {"default"};
    Keys({c.key, '1'});
    EXPECT_TRUE(Run());
    EXPECT_EQ(Actions(), (Calls{c.call, "SetDriver(0)", kInit}));
  }
}

// 255 is the signed character -1, the same value as the end of input: it
// must stay an ordinary ignored key.
TEST_F(SoundSetupTest, OutputMenuIgnoresOtherKeysSilently) {
  Fsound().drivers = {"default"};
  Keys({'0', '5', '9', 'a', 'q', 13, 0, 224, 255, 128, '4', '1'});
  EXPECT_TRUE(Run());
  EXPECT_EQ(out, kOutputMenu + DriverMenu("Alsa Driver list", "1 - default\n"));
  EXPECT_EQ(Actions(), (Calls{"SetOutput(0)", "SetDriver(0)", kInit}));
}

TEST_F(SoundSetupTest, DriverMenuIgnoresKeysBelowOneAndBeyondTheList) {
  Fsound().drivers = {"a", "b", "c"};
  Keys({'1', '0', '/', ' ', 0, 224, 255, '4', '9', ':', 'a', '3'});
  EXPECT_TRUE(Run());
  EXPECT_EQ(out, kOutputMenu + DriverMenu("Alsa Driver list", "1 - a\n2 - b\n3 - c\n"));
  EXPECT_EQ(Actions(), (Calls{"SetOutput(2)", "SetDriver(2)", kInit}));
}

TEST_F(SoundSetupTest, KeyAfterNineIsTheTenthDriver) {
  Fsound().drivers = {"d1", "d2", "d3", "d4", "d5", "d6", "d7", "d8", "d9", "d10"};
  Keys({'4', ':'});
  EXPECT_TRUE(Run());
  EXPECT_NE(out.find("9 - d9\n10 - d10\n"), std::string::npos);
  EXPECT_EQ(Actions(), (Calls{"SetOutput(0)", "SetDriver(9)", kInit}));

  SetUp();  // with nine, ':' is beyond the list
  Fsound().drivers = {"d1", "d2", "d3", "d4", "d5", "d6", "d7", "d8", "d9"};
  Keys({'4', ':', '9'});
  EXPECT_TRUE(Run());
  EXPECT_EQ(Actions(), (Calls{"SetOutput(0)", "SetDriver(8)", kInit}));
}

// The count is asked before every listed line and for every key giving an
// index of 0 or more, and each answer is taken as it comes.
TEST_F(SoundSetupTest, DriverCountIsFollowedCallByCall) {
  Fsound().drivers = {"a", "b", "c", "d"};
  Fsound().driverCounts = {4, 4, 2, 2, 3};
  Keys({'4', '0', '3', 224, '3'});  // '0' and 224 (signed, -32) give indexes below 0: not asked
  EXPECT_TRUE(Run());
  EXPECT_EQ(out, kOutputMenu + DriverMenu("Alsa Driver list", "1 - a\n2 - b\n"));
  EXPECT_EQ(Fsound().calls,
            (Calls{"GetVersion()", "SetOutput(0)", "GetOutput()", "GetNumDrivers()", "GetDriverName(0)",
                   "GetNumDrivers()", "GetDriverName(1)", "GetNumDrivers()",  // listing ends at 2
                   "GetNumDrivers()",                                          // '3' beyond 2
                   "GetNumDrivers()", "SetDriver(2)", kInit}));                // '3' within 3
  EXPECT_TRUE(Console().keys.empty());
}

TEST_F(SoundSetupTest, DriverListTitleNamesTheOutputInForce) {
  const struct {
    int code;
    const char* name;
  } kCases[] = {{0, "NoSound"},
                {1, "Windows Multimedia Waveout"},
                {2, "Direct Sound"},
                {3, ""},
                {4, "Open Sound System"},
                {5, "Enlightment Sound Daemon"},
                {6, "Alsa"},
                {7, "ASIO"},
                {8, ""},
                {-1, ""}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.code);
    SetUp();
    Fsound().output = c.code;
    Fsound().drivers = {"x"};
    Keys({'4', '1'});
    EXPECT_TRUE(Run());
    EXPECT_EQ(out, kOutputMenu + DriverMenu(std::string(c.name) + " Driver list", "1 - x\n"));
    EXPECT_STREQ(OutputName(c.code), c.name);
  }
}

TEST_F(SoundSetupTest, RefusedInitPrintsTheErrorAndFails) {
  const struct {
    int error;
    const char* text;
  } kCases[] = {{3, "Error initializing output device."}, {12, "Not enough memory "}, {77, "Unknown error"}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.error);
    SetUp();
    Fsound().drivers = {"default", "hw:0,0"};
    Fsound().initSucceeds = false;
    Fsound().initError = c.error;
    Keys({'2', '2'});
    EXPECT_FALSE(Run());
    EXPECT_EQ(out, kOutputMenu + DriverMenu("Alsa Driver list", "1 - default\n2 - hw:0,0\n") +
                       "Error!\n" + c.text + "\n");
    EXPECT_EQ(Actions(), (Calls{"SetOutput(1)", "SetDriver(1)", kInit}));
  }
}

TEST_F(SoundSetupTest, PrintSoundErrorReadsTheLastError) {
  Fsound().error = 14;
  std::fflush(stdout);
  testing::internal::CaptureStdout();
  PrintSoundError();
  std::fflush(stdout);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Error!\nAn invalid parameter was passed to this function\n");
}

TEST(SoundErrorText, EveryCode) {
  const struct {
    int code;
    const char* text;
  } kCases[] = {
      {0, "No errors"},
      {1, "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first."},
      {2, "This command failed because FSOUND_Init was not called"},
      {3, "Error initializing output device."},
      {4, "The output device is already in use and cannot be reused."},
      {5, "Playing the sound failed."},
      {6, "Soundcard does not support the features needed for this soundsystem (16bit stereo output)"},
      {7, "Error setting cooperative level for hardware."},
      {8, "Error creating hardware sound buffer."},
      {9, "File not found"},
      {10, "Unknown file format"},
      {11, "Error loading file"},
      {12, "Not enough memory "},
      {13, "The version number of this file format is not supported"},
      {14, "An invalid parameter was passed to this function"},
      {15, "Tried to use an EAX command on a non EAX enabled channel or output."},
      {16, "Failed to allocate a new channel"},
      {17, "Recording not supported on this device"},
      {18, "Required Mediaplayer codec is not installed"},
      {-1, "Unknown error"},
      {19, "Unknown error"},
      {1000, "Unknown error"},
  };
  for (const auto& c : kCases) EXPECT_STREQ(SoundErrorText(c.code), c.text) << "code " << c.code;
}

// ESC, or the end of input, in either menu ends the process with status 0
// and nothing printed after the menu.
class SoundSetupDeathTest : public SoundSetupTest {
 protected:
  // Runs SoundSetup in a child that must exit(0); gives what it printed.
  static std::string PrintedBeforeExit() {
    const std::string path = testing::TempDir() + "fivesine_sound_setup_" +
                             testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt";
    std::remove(path.c_str());
    EXPECT_EXIT(
        {
          std::fflush(stdout);
          if (std::freopen(path.c_str(), "w", stdout) == nullptr) std::_Exit(3);
          SoundSetup();
        },
        ::testing::ExitedWithCode(0), "");
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::remove(path.c_str());
    return text.str();
  }
};

TEST_F(SoundSetupDeathTest, EscOrEndOfInputExitsFromEitherMenu) {
  const std::string kBoth = kOutputMenu + DriverMenu("Alsa Driver list", "1 - default\n");
  const std::string kEmpty = kOutputMenu + DriverMenu("Alsa Driver list", "");
  const struct {
    const char* what;
    std::vector<std::string> drivers;
    std::vector<int> keys;
    std::string printed;
  } kCases[] = {
      {"ESC at the output menu", {"default"}, {'x', 27, '1', '1'}, kOutputMenu},
      {"end of input at the output menu", {"default"}, {'x'}, kOutputMenu},
      {"ESC at the driver menu", {"default"}, {'1', '0', '2', 27, '1'}, kBoth},
      {"end of input at the driver menu", {"default"}, {'1', '2'}, kBoth},
      {"empty driver list: nothing but ESC leaves", {}, {'4', '1', '0', ':', 255, 27}, kEmpty},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    SetUp();
    Console().endOfInputThrows = false;
    exitIsFailure = false;
    Fsound().drivers = c.drivers;
    Console().keys.assign(c.keys.begin(), c.keys.end());
    EXPECT_EQ(PrintedBeforeExit(), c.printed);
  }
}

}  // namespace
