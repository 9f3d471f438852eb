#include "app/table/pancolor.h"

#include "core/table/cellstyling.h"

#include <QGridLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace dq {

namespace {
constexpr int kSwatchSide = 18; // pixels
constexpr int kImageSide = 20; // pixels, the toolbar's icon size
} // namespace

PanColor::PanColor(QWidget *parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("PanColor"));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(pal);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setSpacing(3);
    for (int i = 0; i < CellStyling::kPaletteSize; ++i) {
        auto *swatch = new QFrame(this);
        swatch->setObjectName(QStringLiteral("SSPanelColor_%1").arg(i));
        swatch->setFixedSize(kSwatchSide, kSwatchSide);
        swatch->setFrameShape(QFrame::Panel);
        swatch->setLineWidth(2);
        swatch->setAutoFillBackground(true);
        QPalette sp = swatch->palette();
        sp.setColor(QPalette::Window, CellStyling::paletteColor(i));
        swatch->setPalette(sp);
        swatch->installEventFilter(this);
        grid->addWidget(swatch, i / 4, i % 4);
        m_swatches[size_t(i)] = swatch;
    }
    setChosen(0);
    adjustSize();
    hide();
}

void PanColor::setChosen(int index)
{
    m_chosen = index;
    for (int i = 0; i < CellStyling::kPaletteSize; ++i)
        m_swatches[size_t(i)]->setFrameShadow(i == index ? QFrame::Sunken : QFrame::Raised);
}

QFrame *PanColor::swatch(int index) const
{
    return index >= 0 && index < CellStyling::kPaletteSize ? m_swatches[size_t(index)] : nullptr;
}

QIcon PanColor::colorImage(int image)
{
    const int index = image - CellStyling::kFirstPaletteImage;
    if (index < 0 || index >= CellStyling::kPaletteSize)
        return {};
    QPixmap pixmap(kImageSide, kImageSide);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(13);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, 0, kImageSide, 15), Qt::AlignCenter, QStringLiteral("A"));
    painter.fillRect(QRect(2, 15, kImageSide - 4, 4), CellStyling::paletteColor(index));
    painter.end();
    return QIcon(pixmap);
}

void PanColor::mousePressEvent(QMouseEvent *event)
{
    // Beside the swatches: the panel goes away without a choice.
    QFrame::mousePressEvent(event);
    hide();
}

bool PanColor::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        for (int i = 0; i < CellStyling::kPaletteSize; ++i) {
            if (watched == m_swatches[size_t(i)]) {
                hide();
                setChosen(i);
                emit colorChosen(i);
                return true;
            }
        }
    }
    return QFrame::eventFilter(watched, event);
}

} // namespace dq
