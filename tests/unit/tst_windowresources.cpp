#include "windowresources.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

class tst_WindowResources : public QObject
{
    Q_OBJECT
private slots:
    void programStringsChangeNothing();
    void stringsReplaceNumberedCaptions();
    void missingIconKeepsIcons();
};

void tst_WindowResources::programStringsChangeNothing()
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("Color Picker"));
    window.setProperty("tag", QStringLiteral("3000"));
    auto *button = new QPushButton(QStringLiteral("OK"), &window);
    button->setProperty("tag", QStringLiteral("3001"));
    Module1::ApplyResourceStrings(&window);
    QCOMPARE(window.windowTitle(), QStringLiteral("Color Picker"));
    QCOMPARE(button->text(), QStringLiteral("OK"));
}

void tst_WindowResources::stringsReplaceNumberedCaptions()
{
    const Module1::StringTable table{ { 10, QStringLiteral("Title") },
                                      { 11, QStringLiteral("Button") },
                                      { 12, QStringLiteral("Tip") },
                                      { 13, QStringLiteral("Menu item") } };
    QWidget window;
    window.setProperty("tag", QStringLiteral("10"));
    auto *button = new QPushButton(QStringLiteral("old"), &window);
    button->setProperty("tag", QStringLiteral("11"));
    button->setToolTip(QStringLiteral("12"));
    auto *untagged = new QLabel(QStringLiteral("stays"), &window);
    auto *zeroTag = new QLabel(QStringLiteral("stays too"), &window);
    zeroTag->setProperty("tag", QStringLiteral("0"));
    auto *missing = new QLabel(QStringLiteral("no entry"), &window);
    missing->setProperty("tag", QStringLiteral("99"));
    auto *action = new QAction(QStringLiteral("old item"), &window);
    action->setProperty("helpContextId", 13);

    Module1::ApplyResourceStrings(&window, table);
    QCOMPARE(window.windowTitle(), QStringLiteral("Title"));
    QCOMPARE(button->text(), QStringLiteral("Button"));
    QCOMPARE(button->toolTip(), QStringLiteral("Tip"));
    QCOMPARE(untagged->text(), QStringLiteral("stays"));
    QCOMPARE(zeroTag->text(), QStringLiteral("stays too"));
    QCOMPARE(missing->text(), QStringLiteral("no entry"));
    QCOMPARE(action->text(), QStringLiteral("Menu item"));
}

void tst_WindowResources::missingIconKeepsIcons()
{
    QWidget owner;
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::red);
    const QIcon ownIcon(pixmap);
    owner.setWindowIcon(ownIcon);
    QWidget window(&owner, Qt::Window);
    window.setWindowIcon(ownIcon);
    Module1::SetWindowIcons(&window, QStringLiteral("AAA"), true);
    QCOMPARE(window.windowIcon().cacheKey(), ownIcon.cacheKey());
    QCOMPARE(owner.windowIcon().cacheKey(), ownIcon.cacheKey());
}

QTEST_MAIN(tst_WindowResources)
#include "tst_windowresources.moc"
