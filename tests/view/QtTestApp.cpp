// One QApplication for the whole test program, made before the first test runs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

namespace {

class QtApplicationEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        // Saving creates its default folders under the home folder: keep them out of
        // the real one.
        home_ = new QTemporaryDir;
        qputenv("HOME", home_->path().toLocal8Bit());
        app_ = new QApplication(argc_, argv_);
    }
    void TearDown() override {
        delete app_;
        app_ = nullptr;
        delete home_;
        home_ = nullptr;
    }

  private:
    int argc_ = 1;
    char name_[16] = "pattaplex-test";
    char* argv_[2] = {name_, nullptr};
    QApplication* app_ = nullptr;
    QTemporaryDir* home_ = nullptr;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace
