#include "app/configureapplication.h"
#include "app/tfm_main.h"
#include "platform/filenamebytes.h"
#include "platform/qtprompter.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    configureApplication(app);

    QtPrompter prompter;
    Tfm_main fm_main(prompter);
    fm_main.admitAtFirstShow(QApplication::arguments(),
                             FileNameBytes::unreachableArguments(argc, argv));
    prompter.setParentWindow(&fm_main);
    fm_main.show();
    return app.exec();
}
