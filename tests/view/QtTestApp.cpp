// One QApplication for the whole test program, made before the first test runs, with a
// private home folder: saving creates its default folders there.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "GridAccessibility.h"

namespace {

struct QtApplicationEnvironment : ::testing::Environment {
    void SetUp() override {
        qputenv("HOME", home.path().toLocal8Bit());
        app = std::make_unique<QApplication>(argc, argv);
        pattaplex::installAccessibility();
    }
    void TearDown() override { app.reset(); }
    int argc = 1;
    char name[16] = "pattaplex-test";
    char* argv[2] = {name, nullptr};
    QTemporaryDir home;
    std::unique_ptr<QApplication> app;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace
