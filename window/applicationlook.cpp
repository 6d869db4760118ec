#include "applicationlook.h"

#include "pinnedstyle.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QStringList>
#include <QStyleFactory>

namespace talbrix {

namespace {

// 8 pt on a 96-dpi screen, in logical pixels so it follows the display scale.
constexpr int defaultFontPixels = 10;

void applyEmbeddedFont()
{
    const int id = QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/LiberationSans-Regular.ttf"));
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    // Should the resource be missing, the platform's default face is still
    // readable; only the captions' fit is no longer guaranteed.
    QFont font = families.isEmpty() ? QApplication::font() : QFont(families.first());
    font.setPixelSize(defaultFontPixels);
    QApplication::setFont(font);
}

} // namespace

void applyApplicationLook()
{
    static bool applied = false;
    if (applied)
        return;
    applied = true;
    applyEmbeddedFont();
    QApplication::setStyle(new PinnedStyle(QStyleFactory::create(QStringLiteral("Fusion"))));
}

} // namespace talbrix
