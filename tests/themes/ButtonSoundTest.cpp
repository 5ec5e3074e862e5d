#include "support/AppFixture.h"
#include "toolkit/ButtonSound.h"
#include "toolkit/CommandButton.h"

#include <QEnterEvent>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

using namespace tb;

namespace {

struct SoundLog {
    QStringList events;
    void listen(ButtonSound &sound)
    {
        QObject::connect(&sound, &ButtonSound::played, [this, &sound] { events << "play " + sound.objectName(); });
    }
};

void hover(QWidget &widget)
{
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(&widget, &enter);
}

TEST(ButtonSound, AButtonPlaysItsHoverSoundAndItsClickSoundBeforeTheClick)
{
    tb::test::application();
    QWidget window;
    CommandButton button("btnPlay", "Play checked files.", &window);
    ButtonSound wavSwitch("wavSwitch"), wavClick("wavClick");
    SoundLog log;
    log.listen(wavSwitch);
    log.listen(wavClick);
    QObject::connect(&button, &QPushButton::clicked, [&] { log.events << "click"; });
    button.setActiveSound(&wavSwitch);
    button.setClickSound(&wavClick);

    hover(button);
    button.click();
    EXPECT_EQ(log.events, (QStringList{"play wavSwitch", "play wavClick", "click"}));
}

TEST(ButtonSound, WithoutSoundsAButtonPlaysNothing)
{
    tb::test::application();
    QWidget window;
    CommandButton button("btnStop", "Stop", &window);
    ButtonSound wavSwitch("wavSwitch"), wavClick("wavClick");
    SoundLog log;
    log.listen(wavSwitch);
    log.listen(wavClick);
    button.setActiveSound(&wavSwitch);
    button.setClickSound(&wavClick);
    button.setActiveSound(nullptr);
    button.setClickSound(nullptr);

    hover(button);
    button.click();
    EXPECT_TRUE(log.events.isEmpty());
}

TEST(ButtonSound, ADestroyedSoundIsClearedFromTheButton)
{
    tb::test::application();
    QWidget window;
    CommandButton button("btnNext", "Next", &window);
    auto sound = std::make_unique<ButtonSound>("wavClick");
    button.setClickSound(sound.get());
    button.setActiveSound(sound.get());
    sound.reset();
    EXPECT_EQ(button.ClickSound(), nullptr);
    EXPECT_EQ(button.ActiveSound(), nullptr);
    hover(button);
    button.click(); // must not touch the destroyed sound
}

} // namespace
