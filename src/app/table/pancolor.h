#pragma once

#include <QFrame>
#include <QIcon>

#include <array>

namespace dq {

// The text colour palette: eight swatches (SSPanelColor_0 to _7) on a light grey panel
// that stays hidden until asked for. A swatch click hides the panel, shows that swatch
// inset and the others raised, and reports the swatch's index; a click on the panel
// beside the swatches only hides it.
class PanColor : public QFrame
{
    Q_OBJECT

public:
    explicit PanColor(QWidget *parent = nullptr);

    // The chosen swatch shown inset; -1 raises them all.
    void setChosen(int index);
    int chosen() const { return m_chosen; }
    QFrame *swatch(int index) const;

    // The picture of a text colour for the toolbar: an "A" over a bar of the colour.
    // Images 16 to 23 are the eight swatches in order; anything else is a null icon.
    static QIcon colorImage(int image);

signals:
    void colorChosen(int index);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::array<QFrame *, 8> m_swatches {};
    int m_chosen = 0;
};

} // namespace dq
