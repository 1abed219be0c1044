// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPPatch.h"

#include <QWidget>
#include <optional>

// A picture of what the envelope and the LFO sliders make: the envelope's curve from A, D, S and R as a
// key is held and let go, and the LFO's triangle fading in over its delay, both on the voice's own laws.
// It follows the patch the panel shows, and draws the reference of a comparison dashed beside it.
class QZPEnvelopeView : public QWidget {
    Q_OBJECT

public:
    explicit QZPEnvelopeView(QWidget* parent = nullptr);

    void setPatches(const QZPPatch& shown, const std::optional<QZPPatch>& reference);
    // The times in words, as a screen reader and the tool tip tell them: "Attack 0.12 s, Decay 1.4 s,
    // Sustain 5.0, Release 0.80 s; LFO 2.3 Hz after 0.40 s".
    static QString describe(const QZPPatch& patch);
    // The seconds the picture spans: the key held through the attack and most of the decay, then let go
    // for the release; at least half a second.
    static double shownSeconds(const QZPPatch& patch);

    QSize sizeHint() const override { return {260, 110}; }
    QSize minimumSizeHint() const override { return {120, 60}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QZPPatch m_shown;
    std::optional<QZPPatch> m_reference;
};
