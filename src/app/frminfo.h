#pragma once

#include <QWidget>

class QLineEdit;

// The About box: what the program edits, and who made it.
class frmInfo : public QWidget
{
    Q_OBJECT
public:
    explicit frmInfo(QWidget *parent = nullptr);

    QLineEdit *txtDescription = nullptr;
    QLineEdit *txtMaker = nullptr;
};
