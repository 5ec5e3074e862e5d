#include "Screenshots.h"
#include "app/AboutFrm.h"
#include "app/OptionsFrm.h"
#include "support/AppFixture.h"
#include "toolkit/Themes.h"

#include <QImage>
#include <gtest/gtest.h>

using namespace tb;
using tb::test::TempDir;

namespace {

TEST(Screenshots, EveryThemeIsRenderedInItsOwnColours)
{
    tb::test::application();
    TempDir dir;
    const QStringList written = docs::renderScreenshots(dir.path());
    ASSERT_EQ(written.size(), 9);

    std::vector<QImage> options;
    for (const Theme &theme : themes()) {
        const QString path = dir.file("options-" + QString::fromLatin1(theme.name).toLower() + ".png");
        ASSERT_TRUE(written.contains(path)) << path.toStdString();
        QImage image(path);
        ASSERT_EQ(image.size(), QSize(TOptionsFrm::FormWidth, TOptionsFrm::FormHeight)) << theme.name;
        // The top-left corner is the dialog's own background, the top of its gradient.
        EXPECT_EQ(image.pixelColor(1, 1).rgb(), theme.colours.window.rgb()) << theme.name;
        options.push_back(image);
    }
    for (size_t a = 0; a < options.size(); ++a)
        for (size_t b = a + 1; b < options.size(); ++b)
            EXPECT_NE(options[a], options[b]) << a << " and " << b;

    QImage about(dir.file("about.png"));
    EXPECT_EQ(about.size(), QSize(TAboutFrm::FormWidth, TAboutFrm::FormHeight));
    EXPECT_EQ(about.pixelColor(1, 1).rgb(), themes()[0].colours.window.rgb());
    EXPECT_FALSE(QImage(dir.file("menus.png")).isNull());
    const QImage main(dir.file("main.png"));
    EXPECT_EQ(main.size(), QSize(437, 463));
    EXPECT_EQ(qAlpha(main.pixel(0, 462)), 0) << "outside the outline";
    EXPECT_EQ(qAlpha(main.pixel(200, 200)), 255);
    EXPECT_FALSE(QImage(dir.file("main-hover.png")).isNull());
}

TEST(Screenshots, AnUnwritableFolderIsReported)
{
    tb::test::application();
    EXPECT_THROW(docs::renderScreenshots("/nonexistent-folder/for/pictures"), std::runtime_error);
}

} // namespace
