#pragma once
// A started controller on fake window and sound, with a fixed clock and a private home.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>

#include "fakes.h"
#include "shown.h"

namespace pattaplex::testing {

// Row bands' middle heights and the x of a column on the start-up grid (left = 292),
// written out by hand rather than taken from the grid geometry under test.
inline float rowY(int row) {
    return 309.0f - 32.0f * static_cast<float>(row - 1) - (row == 3 || row == 5 ? 4.0f : 0.0f);
}
inline float columnX(int column) {
    return 299.0f + 14.0f * static_cast<float>(column);
}

inline int64_t fixedClock() {
    return 1234;
}

// A copy of a started groove, window and sound with a controller of its own, so that each
// case of a table begins from the same start.
struct World {
    World(const GrooveState& state, const FakeOutlets& outlets, const FakeSound& sound,
          std::FILE* printed)
        : s(state), o(outlets), snd(sound), c(s, o, snd, fixedClock, printed) {}
    GrooveState s;
    FakeOutlets o;
    FakeSound snd;
    GrooveController c;
};

class ControllerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        home = std::filesystem::temp_directory_path() /
               ("pattaplex-home-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(home);
        std::filesystem::create_directories(home);
        ::setenv("HOME", home.c_str(), 1);
        printed = open_memstream(&printedBuffer, &printedSize);
        controller = std::make_unique<GrooveController>(state, outlets, sound, fixedClock, printed);
        controller->awakeFromNib();
        // As the first drawing pass of the start-up grid leaves it.
        state.LNG = 16;
        state.left = 292;
    }
    void TearDown() override {
        std::fclose(printed);
        std::free(printedBuffer);
        std::filesystem::remove_all(home);
    }
    std::string stdoutText() {
        std::fflush(printed);
        return std::string(printedBuffer, printedSize);
    }
    void key(char32_t c, uint32_t modifiers = 0) { controller->keyDown(c, modifiers); }
    // A fresh copy of the world as set up.
    World copy() const { return World(state, outlets, sound, printed); }
    // Checks "name=value, ..." against what the groove, the window and the sound show.
    void check(const std::string& expected) { expectShown(shown(state, outlets, sound), expected); }

    std::filesystem::path home;
    GrooveState state;
    FakeOutlets outlets;
    FakeSound sound;
    std::FILE* printed = nullptr;
    char* printedBuffer = nullptr;
    size_t printedSize = 0;
    std::unique_ptr<GrooveController> controller;
};

}  // namespace pattaplex::testing
