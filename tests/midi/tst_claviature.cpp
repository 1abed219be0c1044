// SPDX-License-Identifier: GPL-3.0-or-later
#include "QZPTestMain.h"
#include "midi/QZPKeyEvent.h"
#include "midi/QZPMidiClaviature.h"
#include "midi/QZPMidiClaviatureDelegate.h"
#include "model/QZPInvalidParameter.h"

namespace {

constexpr quint16 A = 0, W = 13, L = 37, Z = 6, X = 7, Q = 12;

// Records note requests as +note (play) and -note (release).
class Player : public QZPMidiClaviatureDelegate {
public:
    void claviaPlayMidiNote(QZPMidiClaviature*, quint8 note) override { log << note; }
    void claviaReleaseMidiNote(QZPMidiClaviature*, quint8 note) override { log << -int(note); }
    QList<int> log;
};

QZPKeyEvent down(quint16 key, quint32 flags = QZPKeyEvent::PlainKeyFlags, bool repeat = false) {
    return QZPKeyEvent(QZPKeyEvent::Type::KeyDown, key, flags, repeat);
}
QZPKeyEvent up(quint16 key, quint32 flags = QZPKeyEvent::PlainKeyFlags) {
    return QZPKeyEvent(QZPKeyEvent::Type::KeyUp, key, flags);
}

} // namespace

class TestClaviature : public QObject {
    Q_OBJECT

    QZPMidiClaviature m_clavia;
    Player m_player;

private slots:
    void init() {
        m_clavia.releaseAllKeys();
        m_clavia.setDelegate(&m_player);
        m_clavia.setEnabled(true);
        m_clavia.setOctave(5);
        m_player.log.clear();
    }

    // The whole map, from the keys' scan codes (the same positions whatever the layout) to notes: the
    // row from A to L plays C to D chromatically; at the top octave the notes stop at 127.
    void keyMap() {
        const QList<quint32> scanCodes{38, 25, 39, 26, 40, 41, 28, 42, 29, 43, 30, 44, 45, 32, 46};
        for (const int octave : {0, 5, 10}) {
            m_clavia.setOctave(uint(octave));
            for (qsizetype i = 0; i < scanCodes.size(); ++i) {
                const quint16 key = QZPKeyEvent::keyCodeForNativeScanCode(scanCodes.at(i));
                const int note =
                    octave * 12 + int(i) <= 127 ? octave * 12 + int(i) : QZPMidiClaviature::NotFound;
                QCOMPARE(m_clavia.midiNoteForKeyCode(key), note);
                m_player.log.clear();
                const bool plays = note != QZPMidiClaviature::NotFound;
                QCOMPARE(m_clavia.processKeyboardEvent(down(key)), plays);
                QCOMPARE(m_clavia.processKeyboardEvent(up(key)), plays);
                QCOMPARE(m_player.log, plays ? (QList<int>{note, -note}) : QList<int>());
            }
        }
        // Keys off the row, and scan codes of no letter key, play nothing.
        QCOMPARE(m_clavia.midiNoteForKeyCode(Q), int(QZPMidiClaviature::NotFound));
        for (const quint32 scanCode : {65u, 3u})
            QCOMPARE(int(QZPKeyEvent::keyCodeForNativeScanCode(scanCode)), int(QZPKeyEvent::UnknownKeyCode));
        QCOMPARE(QZPKeyEvent::keyCodeForNativeScanCode(52), Z);
    }

    void heldNotesFollowTheOctave() {
        m_clavia.processKeyboardEvent(down(A));
        m_clavia.processKeyboardEvent(down(A, QZPKeyEvent::PlainKeyFlags, true)); // auto-repeat: nothing new
        QVERIFY(m_clavia.processKeyboardEvent(down(X)));
        QCOMPARE(m_clavia.octave(), 6u);
        m_clavia.processKeyboardEvent(up(A));
        QCOMPARE(m_player.log, (QList<int>{60, -60, 72, -72}));
        QVERIFY(m_clavia.keysDown().isEmpty());

        // Two keys an octave apart: no note is left hanging after a shift.
        m_player.log.clear();
        m_clavia.setOctave(5);
        m_clavia.processKeyboardEvent(down(A));
        m_clavia.processKeyboardEvent(down(40)); // K, note 72
        m_clavia.processKeyboardEvent(down(X));
        QCOMPARE(m_clavia.keysDown(), (QList<quint8>{72, 84}));
        QCOMPARE(m_player.log, (QList<int>{60, 72, -60, -72, 72, 84}));
    }

    void octaveLimits() {
        m_clavia.setOctave(0);
        m_clavia.processKeyboardEvent(down(A)); // note 0
        m_clavia.processKeyboardEvent(down(Z));
        QCOMPARE(m_clavia.octave(), 0u);
        QCOMPARE(m_player.log, (QList<int>{0, -0}));
        QVERIFY(m_clavia.keysDown().isEmpty());

        m_clavia.setOctave(10);
        m_clavia.raiseOneOctave();
        QCOMPARE(m_clavia.octave(), 10u);
        QVERIFY_THROWS_EXCEPTION(QZPInvalidParameter, m_clavia.setOctave(11));
        QCOMPARE(m_clavia.octave(), 10u);
    }

    // A key plays only without a modifier or Caps Lock, while enabled, and with a delegate; switching off
    // ends the note that played.
    void modifiersDisabledAndNoDelegate() {
        const auto flags = [](Qt::KeyboardModifiers modifiers, bool capsLock = false) {
            return QZPKeyEvent::modifierFlags(modifiers, capsLock);
        };
        for (const auto& [eventFlags, plays] : {std::pair{QZPKeyEvent::PlainKeyFlags, true},
                                                {0u, true},
                                                {flags(Qt::ShiftModifier), false},
                                                {flags(Qt::MetaModifier), false},
                                                {flags(Qt::AltModifier), false},
                                                {flags(Qt::ControlModifier), false},
                                                {flags(Qt::NoModifier, true), false}}) {
            init();
            QCOMPARE(m_clavia.processKeyboardEvent(down(A, eventFlags)), plays);
            m_clavia.setEnabled(false);
            QVERIFY(!m_clavia.processKeyboardEvent(down(W)));
            m_clavia.setEnabled(true);
            m_clavia.setDelegate(nullptr);
            QVERIFY(!m_clavia.processKeyboardEvent(down(W)));
            QCOMPARE(m_player.log, plays ? (QList<int>{60, -60}) : QList<int>());
        }
    }

    // A note ends with its key, whatever modifier is held by the release; a release with a modifier of a
    // key that plays nothing is passed on. Switching the player off ends what sounds.
    void releaseWhateverIsHeld() {
        for (const quint32 flags : {QZPKeyEvent::modifierFlags(Qt::ShiftModifier, false),
                                    QZPKeyEvent::modifierFlags(Qt::ControlModifier, false),
                                    QZPKeyEvent::modifierFlags(Qt::NoModifier, true)}) {
            init();
            QVERIFY(m_clavia.processKeyboardEvent(down(A)) && m_clavia.processKeyboardEvent(up(A, flags)));
            QVERIFY(m_clavia.keysDown().isEmpty() && !m_clavia.processKeyboardEvent(up(W, flags)));
            QCOMPARE(m_player.log, (QList<int>{60, -60}));

            m_clavia.processKeyboardEvent(down(L));
            m_clavia.setEnabled(false);
            QCOMPARE(m_player.log, (QList<int>{60, -60, 74, -74}));
            QVERIFY(m_clavia.keysDown().isEmpty());
        }
    }

    void releaseAllKeys() {
        m_clavia.processKeyboardEvent(down(A));
        m_clavia.processKeyboardEvent(down(L));
        m_clavia.releaseAllKeys();
        QCOMPARE(m_player.log, (QList<int>{60, 74, -60, -74}));
        QVERIFY(m_clavia.keysDown().isEmpty());
    }
};

QZP_TEST_MAIN(TestClaviature)
#include "tst_claviature.moc"
