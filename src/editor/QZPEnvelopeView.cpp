// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/QZPEnvelopeView.h"

#include "editor/QZPSkin.h"
#include "model/QZPParameter.h"
#include "model/QZPValueScale.h"
#include "model/QZPVoiceLaw.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace {

using Id = QZPParameterId;

// A slider's position 0–1 in the patch.
float position(const QZPPatch& patch, Id id) {
    return float(patch.value(QZPParameter::of(id))) / QZPParameter::MaximumDataByte;
}

struct Times {
    float attack, decay, sustain, release, held;
};

Times timesOf(const QZPPatch& patch) {
    Times t{QZPVoiceLaw::attackSeconds(position(patch, Id::ENV_Attack)),
            QZPVoiceLaw::decaySeconds(position(patch, Id::ENV_Decay)), position(patch, Id::ENV_Sustain),
            QZPVoiceLaw::releaseSeconds(position(patch, Id::ENV_Release)), 0};
    // Held through the attack and the decay's first two thirds (where it has nearly settled), and a
    // little longer, so that the sustain shows as a level.
    t.held = t.attack + t.decay * 0.66f + 0.15f;
    return t;
}

QString seconds(double value) {
    return value < 0.1 ? QStringLiteral("%1 ms").arg(std::round(value * 1000))
                       : QStringLiteral("%1 s").arg(value, 0, 'f', value < 1 ? 2 : 1);
}

// Time runs along a square-root axis: the short attacks a pluck needs stay visible beside a pad's long
// release.
double axis(double t, double span) {
    return std::sqrt(std::clamp(t / span, 0.0, 1.0));
}

} // namespace

QZPEnvelopeView::QZPEnvelopeView(QWidget* parent) : QWidget(parent) {
    setAccessibleName(tr("Envelope and LFO"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void QZPEnvelopeView::setPatches(const QZPPatch& shown, const std::optional<QZPPatch>& reference) {
    if (shown.data() == m_shown.data() && reference.has_value() == m_reference.has_value() &&
        (!reference || reference->data() == m_reference->data()))
        return;
    m_shown = shown;
    m_reference = reference;
    const QString words = describe(shown);
    setAccessibleDescription(words);
    setToolTip(words);
    update();
}

double QZPEnvelopeView::shownSeconds(const QZPPatch& patch) {
    const Times t = timesOf(patch);
    return std::max(0.5, double(t.held + t.release * 0.8f));
}

QString QZPEnvelopeView::describe(const QZPPatch& patch) {
    const Times t = timesOf(patch);
    const QZPValueScale scale = QZPValueScale::chosen();
    return tr("Attack %1, Decay %2, Sustain %3, Release %4; LFO %5 Hz after %6")
        .arg(seconds(t.attack), seconds(t.decay), scale.text(patch.value(QZPParameter::of(Id::ENV_Sustain))),
             seconds(t.release))
        .arg(QZPVoiceLaw::lfoHz(position(patch, Id::LFO_Rate)), 0, 'f', 1)
        .arg(seconds(QZPVoiceLaw::lfoDelaySeconds(position(patch, Id::LFO_Delay))));
}

void QZPEnvelopeView::paintEvent(QPaintEvent*) {
    const QZPSkin skin = QZPSkin::current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath frame;
    frame.addRoundedRect(bounds, 5, 5);
    painter.fillPath(frame, skin.slot());

    QFont caption = font();
    caption.setPointSizeF(std::max(6.5, height() / 14.0));
    caption.setBold(true);
    painter.setFont(caption);
    const double captionHeight = QFontMetricsF(caption).height() + 2;
    // The envelope takes two thirds of the width, the LFO the rest.
    const QRectF inner = bounds.adjusted(8, captionHeight + 4, -8, -6);
    const QRectF envelope(inner.left(), inner.top(), inner.width() * 0.66 - 6, inner.height());
    const QRectF lfo(envelope.right() + 12, inner.top(), inner.right() - envelope.right() - 12,
                     inner.height());
    const QColor ink = skin.isDark() ? skin.panelText() : QColor(0xF2, 0xEE, 0xE6);
    QColor dim = ink;
    dim.setAlphaF(0.55f);
    painter.setPen(dim);
    painter.drawText(QRectF(envelope.left(), bounds.top() + 3, envelope.width(), captionHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("ENV"));
    painter.drawText(QRectF(lfo.left(), bounds.top() + 3, lfo.width(), captionHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("LFO"));
    painter.setPen(QPen(QColor(255, 255, 255, 28), 1));
    painter.drawLine(envelope.bottomLeft(), envelope.bottomRight());
    painter.drawLine(lfo.left(), lfo.center().y(), lfo.right(), lfo.center().y());

    // Both patches on one time span, so that a longer release reads longer.
    double span = shownSeconds(m_shown);
    if (m_reference)
        span = std::max(span, shownSeconds(*m_reference));
    const auto envelopePath = [&](const QZPPatch& patch) {
        const Times t = timesOf(patch);
        QPainterPath path;
        const int steps = std::max(48, int(envelope.width()));
        for (int i = 0; i <= steps; ++i) {
            // Evenly along the axis, so the drawing is as fine where the square root spreads time out.
            const double x = double(i) / steps;
            const double seconds = x * x * span;
            const double level =
                QZPVoiceLaw::envelopeLevel(float(seconds), t.held, t.attack, t.decay, t.sustain, t.release);
            const QPointF point(envelope.left() + axis(seconds, span) * envelope.width(),
                                envelope.bottom() - level * envelope.height());
            i == 0 ? path.moveTo(point) : path.lineTo(point);
        }
        return path;
    };
    // The LFO over two seconds: its triangle at its rate, faded in over its delay.
    const auto lfoPath = [&](const QZPPatch& patch) {
        const double hz = QZPVoiceLaw::lfoHz(position(patch, Id::LFO_Rate));
        const double delay = QZPVoiceLaw::lfoDelaySeconds(position(patch, Id::LFO_Delay));
        constexpr double Seconds = 2;
        QPainterPath path;
        const int steps = std::max(64, int(lfo.width() * 2));
        for (int i = 0; i <= steps; ++i) {
            const double t = Seconds * i / steps;
            const double phase = std::fmod(t * hz, 1.0);
            const double triangle = phase < 0.5 ? 4 * phase - 1 : 3 - 4 * phase;
            const double fade = delay <= 0.001 ? 1 : std::min(1.0, t / delay);
            const QPointF point(lfo.left() + lfo.width() * i / steps,
                                lfo.center().y() - triangle * fade * lfo.height() / 2);
            i == 0 ? path.moveTo(point) : path.lineTo(point);
        }
        return path;
    };
    painter.setBrush(Qt::NoBrush);
    if (m_reference) {
        QPen dashed(dim, 1.4, Qt::DashLine);
        painter.setPen(dashed);
        painter.drawPath(envelopePath(*m_reference));
        painter.drawPath(lfoPath(*m_reference));
    }
    painter.setPen(QPen(skin.sectionRule(), 2));
    painter.drawPath(envelopePath(m_shown));
    painter.setPen(QPen(skin.sectionRule(), 1.5));
    painter.drawPath(lfoPath(m_shown));
}
