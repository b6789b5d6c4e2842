#pragma once

#include <QColor>
#include <QList>
#include <QObject>

class CanvasCore;
class Preferences;

// The colours that last painted something, newest first, each once: kept in the store, and the
// same for every window on it (each one's model hears the others' changes).
class RecentColors : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMost = 16;

    explicit RecentColors(Preferences &store, QObject *parent = nullptr);
    ~RecentColors() override;

    QList<QColor> colors() const { return mColors; }
    // First, moved there when it is in the list already.
    void add(const QColor &color);
    // Adds the colour of each stroke or line of the canvas that painted pixels; the eraser's and
    // strokes that touched nothing are not counted.
    void follow(CanvasCore &core);

signals:
    void changed();

private:
    void load();
    void strokeEnded(const CanvasCore &core);

    Preferences &mStore;
    QList<QColor> mColors;
};
