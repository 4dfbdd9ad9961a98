#pragma once
// Stand-ins for the window and the sound, recording what the actions do to them. The
// window keeps everything it shows by name: "undoTitle", "name4" for row 4's sound name,
// "sel4", "slider4" and "vol4" for its selector, slider and volume field.

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

class FakeOutlets : public Outlets {
  public:
    std::map<std::string, std::string> shown;
    std::deque<int> alertAnswers;  // answers given to the next alerts; -1 when none left
    int redraws = 0;
    bool quitRequested = false;

    int number(const std::string& name) const {
        return shown.count(name) ? std::stoi(shown.at(name)) : 0;
    }
    static std::string at(const char* name, int row) { return name + std::to_string(row); }
    void setUndoTitle(const std::string& t) override { shown["undoTitle"] = t; }
    void setPlayTitle(const std::string& t) override { shown["playTitle"] = t; }
    void setKitTitle(const std::string& t) override { shown["kitTitle"] = t; }
    void setCount(const std::string& t) override { shown["count"] = t; }
    void setInfText(const std::string& t) override { shown["infText"] = t; }
    void setKitField(const std::string& t) override { shown["kitField"] = t; }
    void setFileField(const std::string& t) override { shown["fileField"] = t; }
    void setDrumSetField(const std::string& t) override { shown["drumSetField"] = t; }
    int tempoSlider() const override { return number("tempoSlider"); }
    void setTempoSlider(int v) override { shown["tempoSlider"] = std::to_string(v); }
    void setTempoField(int v) override { shown["tempoField"] = std::to_string(v); }
    void showTempoSource(const std::string& source, bool editable) override {
        shown["tempoSource"] = source + (editable ? "" : " (fixed)");
    }
    void setLinkStatus(const std::string& t) override { shown["linkStatus"] = t; }
    int soundSelector(int row) const override { return number(at("sel", row)); }
    void setSoundSelector(int row, int v) override { shown[at("sel", row)] = std::to_string(v); }
    void setSoundName(int row, const std::string& n) override { shown[at("name", row)] = n; }
    int volumeSlider(int row) const override { return number(at("slider", row)); }
    void setVolumeSlider(int row, int v) override { shown[at("slider", row)] = std::to_string(v); }
    void setVolumeField(int row, const std::string& t) override { shown[at("vol", row)] = t; }
    void showStatusMessage(const std::string& t) override { shown["status"] = t; }
    void setTitle(const std::string& t) override { shown["title"] = t; }
    void requestRedraw() override { ++redraws; }
    void showPlayhead(int step) override { shown["playhead"] = std::to_string(step); }
    void showEditHistory(const std::string& undo, const std::string& redo) override {
        shown["undoMenu"] = undo, shown["redoMenu"] = redo;
    }
    void noteOpenedFile(const std::string& path) override { shown["recent"] = path; }
    void showFeel(int swing, bool applies, int ms, int velocity) override {
        shown["swing"] = std::to_string(swing) + (applies ? "" : " off");
        shown["humanise"] = std::to_string(ms) + "/" + std::to_string(velocity);
    }
    void showStepEditor(int row, int step, int velocity, int repeats, int chance) override {
        shown["stepEditor"] = std::to_string(row) + "." + std::to_string(step) + " " +
                              std::to_string(velocity) + " x" + std::to_string(repeats) + " " +
                              std::to_string(chance) + "%";
    }
    int runAlert(const std::string& title, const std::string& message, const std::string& first,
                 const std::string& second, const std::string& third) override {
        shown["alerts"] = std::to_string(number("alerts") + 1);
        shown["alert"] = title, shown["alertMessage"] = message;
        shown["alertButtons"] = first + "/" + second + "/" + third;
        if (alertAnswers.empty()) return -1;
        const int answer = alertAnswers.front();
        alertAnswers.pop_front();
        return answer;
    }
    void showSheet(const std::string& title, const std::string& message) override {
        shown["sheet"] = title;
        shown["sheetText"] = message == helpText() ? "helptext" : message;
    }
    void beginSaveSheet(const std::string& folder, const std::string& name) override {
        shown["savedIn"] = folder, shown["saved"] = name, shown["saves"] += name + " ";
    }
    void beginOpenSheet(const std::string& folder, const std::string& name,
                        const std::string& extension) override {
        shown["openedIn"] = folder, shown["opened"] = name + "/" + extension;
    }
    void beginAudioExport() override { shown["audioExport"] = "begun"; }
    void quitApplication() override { quitRequested = true; }
};

class FakeSound : public Sound {
  public:
    std::vector<int> opened;    // kits passed to initQT
    std::set<int> refusedKits;  // kits initQT refuses
    std::vector<std::pair<int, int>> auditions;
    bool open = false, running = false;
    int closes = 0, pumps = 0;

    bool initQT(int kit) override {
        opened.push_back(kit);
        open = kit != 0 && !refusedKits.count(kit);
        if (!open) running = false;  // a refused open halts the clock
        return open;
    }
    void closeOutput() override { open = false, ++closes; }
    void audition(int note, int velocity) override { auditions.emplace_back(note, velocity); }
    void startClock() override { running = true; }
    void stopClock() override { running = false; }
    bool clockRunning() const override { return running; }
    void pump() override { ++pumps; }
    void setMasterVolume(float volume) override { masterVolume = volume; }
    float outputPeak() override { return std::exchange(peak, 0.0f); }
    std::string deviceDescription() const override { return open ? "48000 Hz through JACK" : ""; }
    std::string soundStatus() const override { return status; }
    std::string status;  // why there is no sound
    PlayPosition position() const override { return pos; }
    void setMidi(const MidiSettings& settings) override {
        midi = settings;
        if (settings.sync != SyncSource::Internal) running = false;  // changing over stops
    }
    PlayPosition pos;  // what the audio side reports
    MidiSettings midi;
    float masterVolume = -1, peak = 0;
};

}  // namespace pattaplex::testing
