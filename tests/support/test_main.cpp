// The main of every test executable: GoogleTest on an offscreen QApplication, with the
// dialogs double installed and a fixed build time.
#include "platform/ui/dialogs.h"
#include "platform/ui/error_report.h"
#include "tests/support/recording_dialogs.h"

#include <QDir>
#include <gtest/gtest.h>

// 14.03.2025 10:20:30 local time; a fixed stamp keeps the version line testable.
extern "C" const long long qel_build_epoch = 1741947630LL;

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    qel::ui::Application app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("QEL 13 Учет успеваемости"));
    return RUN_ALL_TESTS();
}
