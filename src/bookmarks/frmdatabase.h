#pragma once

#include "bookmarkstore.h"
#include "services.h"

#include <QWidget>

#include <functional>

class ListBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "Bookmark's Database": a notebook of named palette offsets. The user
// narrows the list by typing the beginning of a name, reads a bookmark's
// offset, and adds, changes or deletes bookmarks. A double-click or Enter
// on a name offers its offset to whoever listens to offsetChosen(). Opens
// the store afresh each time it is created; deletes itself when closed.
class frmDatabase : public QWidget
{
    Q_OBJECT
public:
    explicit frmDatabase(const Platform::Services &services, QWidget *parent = nullptr);
    ~frmDatabase() override;

    // What "End" does after closing the store: end the whole program at
    // once. By default QCoreApplication::exit(0): every event loop returns
    // and main() returns, so no window's closing handling runs. Tests put
    // something observable here instead of ending the test.
    void setEndProgram(std::function<void()> endProgram);

    bool isAdding() const { return blnAdding; }
    bool isEditing() const { return blnEditing; }
    bool isStoreOpen() const { return dbBookmarks.isOpen(); }

    ListBox *lstdata = nullptr;
    QLineEdit *txtSurname = nullptr;
    QLineEdit *txtForename = nullptr;
    QLineEdit *txtSearch = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QPushButton *cmdAdd = nullptr;
    QPushButton *cmdDelete = nullptr;
    QPushButton *cmdEdit = nullptr;
    QPushButton *cmdend = nullptr;
    QPushButton *cmdsave = nullptr;
    QPushButton *cmdCANCEL = nullptr;

signals:
    // The user chose to use a bookmark: its offset text, as stored.
    void offsetChosen(const QString &offsetText);

public slots:
    void lstdata_Click();
    void lstdata_DblClick(int row);
    void txtSearch_Change();
    void cmdAdd_Click();
    void cmdEdit_Click();
    void cmdsave_Click();
    void cmdCANCEL_Click();
    void cmdDelete_Click();
    void cmdend_Click();
    // Save of a new bookmark and of a changed one.
    void add();
    void edit();

private:
    void buildControls();
    void Form_Load();
    void FillList();
    // Add and Edit: the two boxes open for typing, only Save and Cancel on.
    void openBoxesForTyping();
    void save(bool adding);
    void endEditing();
    // Each makes the result the current record set; on a failing store it
    // warns, keeps the current set and answers false.
    bool openTable();
    bool openForSearchText();
    QMessageBox::StandardButton message(const QString &text, const QString &title,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::Icon icon,
                                        QMessageBox::StandardButton defaultButton
                                        = QMessageBox::NoButton);
    void warn(const QString &what, const QString &reason);

    Platform::Services m_services;
    std::function<void()> m_endProgram;

    Bookmarks::Database dbBookmarks;
    Bookmarks::RecordSet rsCurrent;
    QMessageBox::StandardButton varAnswer = QMessageBox::NoButton;
    bool blnAdding = false;
    bool blnEditing = false;
};
