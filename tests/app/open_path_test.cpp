// A file named when the program starts opens as the open sheets would, refusals included.

#include <fstream>

#include "fixture.h"
#include "groove_files.h"

namespace pattaplex::testing {
namespace {

TEST_F(ControllerTest, OpenPathPicksGrooveOrDrumSetByExtensionAndRefusesLikeTheSheets) {
    const auto path = [&](const char* name) { return (home / name).string(); };
    controller->doPreset(3);
    ASSERT_TRUE(saveGroove(path("Funk.grv"), state));
    controller->setKit(16409);
    ASSERT_TRUE(saveDrumSet(path("Kit.SET"), state));
    std::ofstream(path("Song.mid")) << "MThd";
    std::ofstream(path("Junk.set")) << "not a property list";
    controller->setDefaults();
    state.dataTOG = 0;  // nothing to ask about

    struct Case {
        const char* file;
        std::string shows;
    };
    const Case cases[] = {
        {"Funk.grv", "lastFile=Funk, fileField=Funk, tempoSlider=80, KIT=16401, saveSET=0"},
        {"Kit.SET", "lastFile=Funk, drumSetField=Kit, KIT=16409, tempoSlider=80, saveSET=0"},
        {"Junk.set", "alerts=1, alert=NOT A DRUM SET FILE, KIT=16409, saveSET=0"},
        {"Missing.grv", "alerts=2, alert=NOT A GROOVE FILE, KIT=16409, saveSET=0"},
        {"Song.mid", "alerts=3, alert=Loading a midi file will crash the app, KIT=16409"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        state.saveSET = 0;
        controller->openPath(path(c.file));
        check(c.shows);
    }
}

}  // namespace
}  // namespace pattaplex::testing
