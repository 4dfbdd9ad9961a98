#include "MidiMenu.h"

#include <QActionGroup>
#include <QMenuBar>
#include <QSettings>
#include <optional>

namespace pattaplex {

namespace {

const QString kSendNotes = QStringLiteral("midi/sendNotes");
const QString kInternalSound = QStringLiteral("midi/internalSound");
const QString kChannel = QStringLiteral("midi/channel");
const QString kSendClock = QStringLiteral("midi/sendClock");
const QString kSync = QStringLiteral("midi/sync");
const QString kTimebaseMaster = QStringLiteral("midi/timebaseMaster");

}  // namespace

QString syncName(SyncSource source) {
    switch (source) {
        case SyncSource::MidiClock:
            return QStringLiteral("midi-clock");
        case SyncSource::JackTransport:
            return QStringLiteral("jack-transport");
        case SyncSource::Link:
            return QStringLiteral("link");
        case SyncSource::Internal:
            break;
    }
    return QStringLiteral("internal");
}

std::optional<SyncSource> syncNamed(const QString& name) {
    for (SyncSource s :
         {SyncSource::Internal, SyncSource::MidiClock, SyncSource::JackTransport, SyncSource::Link})
        if (syncName(s) == name) return s;
    return std::nullopt;
}

namespace {

QAction* checkable(QMenu* menu, const QString& text, QActionGroup* group = nullptr) {
    QAction* action = menu->addAction(text);
    action->setCheckable(true);
    if (group) group->addAction(action);
    return action;
}

}  // namespace

MidiMenu::MidiMenu(QMenuBar& bar, std::function<void(const MidiSettings&)> changed)
    : changed_(std::move(changed)) {
    QMenu* menu = bar.addMenu(QMenu::tr("MIDI"));
    sendNotes_ = checkable(menu, QMenu::tr("Send MIDI notes"));
    internalSound_ = checkable(menu, QMenu::tr("Internal sound"));
    QMenu* channels = menu->addMenu(QMenu::tr("MIDI channel"));
    channel_ = new QActionGroup(channels);
    checkable(channels, QMenu::tr("The kit's own (10 for drums, 1 for instruments)"), channel_)
        ->setData(0);
    for (int n = 1; n <= 16; ++n) checkable(channels, QString::number(n), channel_)->setData(n);
    sendClock_ = checkable(menu, QMenu::tr("Send MIDI clock"));
    menu->addSeparator();
    QMenu* sync = menu->addMenu(QMenu::tr("Sync source"));
    sync_ = new QActionGroup(sync);
    checkable(sync, QMenu::tr("Internal"), sync_)->setData(static_cast<int>(SyncSource::Internal));
    checkable(sync, QMenu::tr("MIDI clock"), sync_)
        ->setData(static_cast<int>(SyncSource::MidiClock));
    checkable(sync, QMenu::tr("JACK transport"), sync_)
        ->setData(static_cast<int>(SyncSource::JackTransport));
    checkable(sync, QMenu::tr("Link"), sync_)->setData(static_cast<int>(SyncSource::Link));
    timebaseMaster_ = checkable(menu, QMenu::tr("JACK timebase master"));

    const QSettings remembered;
    MidiSettings s;
    s.sendNotes = remembered.value(kSendNotes, s.sendNotes).toBool();
    s.internalSound = remembered.value(kInternalSound, s.internalSound).toBool();
    s.channel = std::clamp(remembered.value(kChannel, s.channel).toInt(), 0, 16);
    s.sendClock = remembered.value(kSendClock, s.sendClock).toBool();
    s.sync = syncNamed(remembered.value(kSync).toString()).value_or(SyncSource::Internal);
    s.timebaseMaster = remembered.value(kTimebaseMaster, false).toBool();
    show(s);

    for (QAction* action : {sendNotes_, internalSound_, sendClock_, timebaseMaster_})
        QObject::connect(action, &QAction::triggered, menu, [this] { userChanged(); });
    for (QActionGroup* group : {channel_, sync_})
        QObject::connect(group, &QActionGroup::triggered, menu, [this] { userChanged(); });
}

MidiSettings MidiMenu::settings() const {
    MidiSettings s;
    s.sendNotes = sendNotes_->isChecked();
    s.internalSound = internalSound_->isChecked();
    s.channel = channel_->checkedAction() ? channel_->checkedAction()->data().toInt() : 0;
    s.sendClock = sendClock_->isChecked();
    if (sync_->checkedAction())
        s.sync = static_cast<SyncSource>(sync_->checkedAction()->data().toInt());
    s.timebaseMaster = timebaseMaster_->isChecked();
    return s;
}

void MidiMenu::show(const MidiSettings& s) {
    sendNotes_->setChecked(s.sendNotes);
    internalSound_->setChecked(s.internalSound);
    for (QAction* action : channel_->actions())
        action->setChecked(action->data().toInt() == s.channel);
    sendClock_->setChecked(s.sendClock);
    for (QAction* action : sync_->actions())
        action->setChecked(action->data().toInt() == static_cast<int>(s.sync));
    timebaseMaster_->setChecked(s.timebaseMaster);
}

void MidiMenu::chooseSync(SyncSource source) {
    for (QAction* action : sync_->actions())
        action->setChecked(action->data().toInt() == static_cast<int>(source));
    userChanged();
}

void MidiMenu::userChanged() {
    const MidiSettings s = settings();
    QSettings remembered;
    remembered.setValue(kSendNotes, s.sendNotes);
    remembered.setValue(kInternalSound, s.internalSound);
    remembered.setValue(kChannel, s.channel);
    remembered.setValue(kSendClock, s.sendClock);
    remembered.setValue(kSync, syncName(s.sync));
    remembered.setValue(kTimebaseMaster, s.timebaseMaster);
    if (changed_) changed_(s);
}

}  // namespace pattaplex
