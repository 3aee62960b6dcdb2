// The preview surface: shows the engine's newest preview picture scaled to fit,
// its aspect kept, black around it.
#pragma once

#include <QImage>
#include <QWidget>

namespace tevarro {

class PreviewSurface : public QWidget {
    Q_OBJECT
public:
    explicit PreviewSurface(QWidget* parent = nullptr);

    void ShowFrame(const QImage& frame);
    const QImage& Frame() const { return frame_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QImage frame_;
};

}  // namespace tevarro
