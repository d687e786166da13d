#pragma once

#include <QDialog>

class QLineEdit;

// The About box: what the program edits, and who made it. A dialog, so Esc
// and Enter close it.
class frmInfo : public QDialog
{
    Q_OBJECT
public:
    explicit frmInfo(QWidget *parent = nullptr);

    QLineEdit *txtDescription = nullptr;
    QLineEdit *txtMaker = nullptr;
};
