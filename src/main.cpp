#include "app/configureapplication.h"
#include "app/mainwindow.h"
#include "desktop/qtprompter.h"
#include "platform/filenamebytes.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    configureApplication(app);

    QtPrompter prompter;
    MainWindow window(prompter);
    window.admitAtFirstShow(QApplication::arguments(),
                            FileNameBytes::unreachableArguments(argc, argv));
    prompter.setParentWindow(&window);
    window.show();
    return app.exec();
}
