#include "frmmain.h"
#include "colorswatch.h"
#include "testservices.h"

#include <QPushButton>
#include <QTest>

class tst_frmMain : public QObject
{
    Q_OBJECT
private slots:
    void startsWithNoRom();
};

void tst_frmMain::startsWithNoRom()
{
    TestServices services;
    frmMain window(services.services());
    QVERIFY(!window.Command2->isEnabled());
}

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
