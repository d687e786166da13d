#pragma once

#include "backgroundwork.h"
#include "colourfinder.h"
#include "services.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QModelIndex;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class ColourMatchModel;

// "Find Colours": where a sequence of colours (the main window's boxes, or
// colours pasted as text) lies in the chosen ROM image, exact matches first,
// then near ones; activating one loads it in the main window.
class frmFindColours : public QWidget
{
    Q_OBJECT
public:
    // One of the main window's colours: its word text, and what a refusal
    // calls it ("Box 4").
    struct MainColour
    {
        QString name;
        QString text;
    };
    // `colours` gives the main window's colours to find (its sixteen boxes,
    // or the colours selected there, in order); `activate` receives the
    // offset text of a match the user activates.
    frmFindColours(const Platform::Services &services, std::function<QList<MainColour>()> colours,
                   std::function<void(const QString &)> activate, QWidget *parent = nullptr);
    ~frmFindColours() override;

    // Follows the main window's ROM image; the last colours searched for are
    // searched for again in the new one.
    void setRom(const QString &path);
    // This program wrote to the image: the colours sought are searched again.
    void imageWritten();
    QString rom() const { return m_path; }
    // One search's matches as the list shows them.
    struct Found;

    QPushButton *cmdFindBoxes = nullptr;
    QPlainTextEdit *txtColours = nullptr;
    QPushButton *cmdFindText = nullptr;
    QTableView *lstMatches = nullptr;
    QLabel *lblStatus = nullptr;

signals:
    // A search's result (or failure) is shown.
    void searched();

public slots:
    void cmdFindBoxes_Click();
    void cmdFindText_Click();
    void lstMatches_Activated(const QModelIndex &index);

private:
    // Searches the ROM image in the background; a newer search or closing
    // cancels an older one.
    void search(std::vector<quint16> words);
    void showFound(int generation, bool ok, const std::shared_ptr<Found> &found,
                   const QString &reason);
    void refuse(const QString &text);
    void updateButtons();

    Platform::Services m_services;
    std::function<QList<MainColour>()> m_colours;
    std::function<void(const QString &)> m_activate;
    ColourMatchModel *m_model = nullptr;
    QString m_path;
    std::vector<quint16> m_words;
    BackgroundWork m_work;
};
