#pragma once
// Stand-ins for the window and the sound, recording what the actions do to them.

#include <cstdio>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "GrooveController.h"
#include "Outlets.h"
#include "Sound.h"

namespace pattaplex::testing {

struct Alert {
    std::string title, message, first, second, third;
};

class FakeOutlets : public Outlets {
  public:
    std::string undoTitle, playTitle, kitTitle, count, infText, kitField, fileField, drumSetField;
    int tempoSliderValue = 0, tempoFieldValue = 0;
    std::map<int, int> selectors, sliders;
    std::map<int, std::string> soundNames, volumeFields;
    int redraws = 0;
    std::vector<Alert> alerts;
    std::deque<int> alertAnswers;  // answers given to the next alerts; -1 when none left
    std::vector<std::pair<std::string, std::string>> sheets;                  // title, message
    std::vector<std::pair<std::string, std::string>> saveSheets, openSheets;  // folder, name
    bool quitRequested = false;

    void setUndoTitle(const std::string& t) override { undoTitle = t; }
    void setPlayTitle(const std::string& t) override { playTitle = t; }
    void setKitTitle(const std::string& t) override { kitTitle = t; }
    void setCount(const std::string& t) override { count = t; }
    void setInfText(const std::string& t) override { infText = t; }
    void setKitField(const std::string& t) override { kitField = t; }
    void setFileField(const std::string& t) override { fileField = t; }
    void setDrumSetField(const std::string& t) override { drumSetField = t; }
    int tempoSlider() const override { return tempoSliderValue; }
    void setTempoSlider(int v) override { tempoSliderValue = v; }
    void setTempoField(int v) override { tempoFieldValue = v; }
    int soundSelector(int row) const override {
        return selectors.count(row) ? selectors.at(row) : 0;
    }
    void setSoundSelector(int row, int v) override { selectors[row] = v; }
    void setSoundName(int row, const std::string& n) override { soundNames[row] = n; }
    int volumeSlider(int row) const override { return sliders.count(row) ? sliders.at(row) : 0; }
    void setVolumeSlider(int row, int v) override { sliders[row] = v; }
    void setVolumeField(int row, const std::string& t) override { volumeFields[row] = t; }
    void requestRedraw() override { ++redraws; }
    int runAlert(const std::string& title, const std::string& message, const std::string& first,
                 const std::string& second, const std::string& third) override {
        alerts.push_back({title, message, first, second, third});
        if (alertAnswers.empty()) return -1;
        int answer = alertAnswers.front();
        alertAnswers.pop_front();
        return answer;
    }
    void showSheet(const std::string& title, const std::string& message) override {
        sheets.emplace_back(title, message);
    }
    void beginSaveSheet(const std::string& folder, const std::string& name) override {
        saveSheets.emplace_back(folder, name);
    }
    void beginOpenSheet(const std::string& folder, const std::string& name) override {
        openSheets.emplace_back(folder, name);
    }
    void quitApplication() override { quitRequested = true; }
};

class FakeSound : public Sound {
  public:
    std::vector<int> opened;    // kits passed to initQT
    std::set<int> refusedKits;  // kits initQT refuses
    std::vector<std::pair<int, int>> auditions;
    bool open = false, running = false;
    int closes = 0;

    bool initQT(int kit) override {
        opened.push_back(kit);
        open = kit != 0 && !refusedKits.count(kit);
        if (!open) running = false;  // a refused open halts the clock
        return open;
    }
    void closeOutput() override {
        open = false;
        ++closes;
    }
    void audition(int note, int velocity) override { auditions.emplace_back(note, velocity); }
    void startClock() override { running = true; }
    void stopClock() override { running = false; }
    bool clockRunning() const override { return running; }
};

}  // namespace pattaplex::testing
