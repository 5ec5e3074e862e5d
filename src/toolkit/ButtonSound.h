// A sound a command button plays when the mouse comes over it or when it is clicked. The
// interface sounds of the main window derive from it and play their wave image.
#pragma once

#include <QObject>

namespace tb {

class ButtonSound : public QObject {
    Q_OBJECT
public:
    explicit ButtonSound(const QString &name, QObject *parent = nullptr) : QObject(parent) { setObjectName(name); }

    void play()
    {
        emit played();
        playSound();
    }

signals:
    // Raised at every play, before the sound starts.
    void played();

protected:
    virtual void playSound() {}
};

} // namespace tb
