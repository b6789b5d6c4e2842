#include "PreferenceKeys.h"
#include "Preferences.h"
#include "SheetContainer.h"
#include "TabletApplication.h"
#include "WTView.h"

#include <QLayout>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    TabletApplication app(argc, argv);

    // Until documents exist: one canvas on a 600 × 600 sheet in a plain window.
    QMainWindow window;
    auto *container = new SheetContainer(&window);
    window.setCentralWidget(container);
    window.resize(760, 700);
    window.layout()->activate(); // the container has its real size before the canvas is placed
    auto *canvas = new WTView(Rect(0, 0, float(container->width()), float(container->height())), container);
    container->setCanvas(canvas);
    canvas->setSheetSize({600, 600});
    const int stored = int(Preferences::standard().integerForKey(PreferenceKeys::kBgType));
    canvas->setBgType(float(stored >= 0 && stored <= 3 ? stored : 1));
    canvas->startFollowingProximity();
    window.setWindowTitle(QStringLiteral("Inkpond"));
    window.show();
    canvas->setFocus();

    const int status = app.exec();
    Preferences::standard().synchronize();
    return status;
}
