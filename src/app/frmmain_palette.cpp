// The palette in the boxes: loading it from the ROM image, writing it back,
// stepping between palettes, and palette files.
#include "frmmain.h"

#include "colorswatch.h"
#include "frmfindcolours.h"
#include "frmrompalettes.h"
#include "frmwritehistory.h"
#include "module1.h"
#include "paletteediting.h"
#include "palettefile.h"
#include "rompalette.h"
#include "writejournal.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

#include <algorithm>

namespace {

QString hexText(quint32 offset)
{
    return QString::number(offset, 16).toUpper();
}

// The extension of a filter entry such as "GIMP palette (*.gpl)".
QString suffixOfFilter(const QString &filter)
{
    const int star = filter.indexOf(QLatin1String("*."));
    if (star < 0)
        return QString();
    const int end = filter.indexOf(QRegularExpression(QStringLiteral("[ );]")), star);
    const QString suffix = filter.mid(star + 2, end < 0 ? -1 : end - star - 2);
    return suffix == QLatin1String("*") ? QString() : suffix;
}

} // namespace

void frmMain::mnuNextPalette_Click()
{
    stepPalette(m_editing->paletteBytes());
}

void frmMain::mnuPreviousPalette_Click()
{
    stepPalette(-m_editing->paletteBytes());
}

// One palette on or back, kept between 0 and the last offset allowed.
void frmMain::stepPalette(qint64 step)
{
    if (m_romPath.isEmpty())
        return;
    const auto offset = offsetOrComplain(txtOffset->text());
    if (!offset)
        return;
    const qint64 next = std::clamp<qint64>(qint64(*offset) + step, 0, RomPalette::MaxOffset);
    loadPaletteAt(QString::number(next, 16).toUpper());
}

void frmMain::loadPaletteAt(const QString &offsetText)
{
    if (m_romPath.isEmpty())
        txtOffset->setText(offsetText);
    else
        loadPalette(offsetText);
}

void frmMain::Command2_Click()
{
    loadPalette(txtOffset->text());
}

void frmMain::mnuFind_Click()
{
    loadPalette(txtOffset->text());
}

void frmMain::Command1_Click()
{
    writePalette();
}

void frmMain::mnuSostituisci_Click()
{
    writePalette();
}

void frmMain::txtChgPal_Change(int Index)
{
    const QString text = txtChgPal[Index]->text();
    // Only a text the write reads the same way gets a colour.
    if (RomPalette::isWordText(text)) {
        const uint value = Module1::GBAColorToRGBHex(text, true).toUInt(nullptr, 16);
        picChgPreview[Index]->setColor(QColor(value & 0xFF, (value >> 8) & 0xFF, value >> 16));
    } else {
        picChgPreview[Index]->setNoColor();
    }
    updateWriteButton();
    emit paletteTextsChanged();
}

bool frmMain::paletteCompleteOrComplain()
{
    const int box = firstIncompleteBox();
    if (box < 0)
        return true;
    const QString text = txtChgPal[box]->text();
    const QString which = text.isEmpty()
            ? QStringLiteral("Box %1 is empty.").arg(box + 1)
            : QStringLiteral("Box %1 holds \"%2\", not four hexadecimal digits.")
                      .arg(box + 1)
                      .arg(text);
    m_services.messages->showMessage(
            this, QStringLiteral("Every palette box must hold four characters. ") + which,
            QStringLiteral("Error"), QMessageBox::Ok, QMessageBox::Critical);
    return false;
}

int frmMain::firstIncompleteBox() const
{
    const auto box = std::find_if(txtChgPal.begin(), txtChgPal.end(), [](const QLineEdit *box) {
        return !RomPalette::isWordText(box->text());
    });
    return box == txtChgPal.end() ? -1 : int(box - txtChgPal.begin());
}

RomPalette::WordTexts frmMain::boxTexts() const
{
    RomPalette::WordTexts texts;
    for (int i = 0; i < RomPalette::WordCount; ++i)
        texts[i] = txtChgPal[i]->text();
    return texts;
}

void frmMain::updateWriteButton()
{
    const bool complete = m_editing && m_editing->isWide() ? m_editing->allRowsComplete()
                                                           : firstIncompleteBox() < 0;
    Command1->setEnabled(complete && !m_romPath.isEmpty());
}

std::optional<quint32> frmMain::offsetOrComplain(const QString &text)
{
    const auto offset = RomPalette::parseOffset(text);
    if (!offset) {
        m_services.messages->showMessage(
                this,
                QStringLiteral("The offset must be a hexadecimal number from 0 to %1.")
                        .arg(QString::number(RomPalette::MaxOffset, 16).toUpper()),
                QStringLiteral("Error"), QMessageBox::Ok, QMessageBox::Critical);
    }
    return offset;
}

void frmMain::warn(const QString &text)
{
    m_services.messages->showMessage(this, text, QStringLiteral("Warning"), QMessageBox::Ok,
                                     QMessageBox::Warning);
}

void frmMain::loadPalette(const QString &offsetText)
{
    if (m_romPath.isEmpty())
        return;
    const auto offset = offsetOrComplain(offsetText);
    if (!offset || !mayDiscardEdits())
        return;
    if (m_editing->isWide()) {
        QByteArray wide;
        if (!m_editing->loadWide(*offset, wide))
            return;
        txtOffset->setText(offsetText);
        m_loadedOffset = *offset;
        m_loadedBytes = wide;
        m_lastWasWrite = false;
        emit paletteTextsChanged();
        return;
    }
    RomPalette::Bytes bytes{};
    int pastEnd = 0;
    const auto result = RomPalette::readPalette(m_romPath, *offset, bytes, &pastEnd);
    if (!result.ok) {
        warn(QStringLiteral("Cannot read the palette from \"%1\": %2.").arg(m_romPath, result.reason));
        return;
    }
    // The offset box changes with the boxes, so OK writes where they came from.
    txtOffset->setText(offsetText);
    const auto texts = RomPalette::wordTextsOf(bytes);
    for (int i = 0; i < RomPalette::WordCount; ++i)
        txtChgPal[i]->setText(texts[i]);
    m_unedited = texts;
    m_editing->reset();
    m_loadedOffset = *offset;
    m_loadedBytes = QByteArray(reinterpret_cast<const char *>(bytes.data()), RomPalette::ByteCount);
    m_lastWasWrite = false;
    emit paletteTextsChanged(); // the offset changed even when no text did
    if (pastEnd > 0) {
        warn(QStringLiteral("The palette at %1 runs past the end of \"%2\": %3 of its %4 bytes "
                            "are not in the file and are shown as 0.")
                     .arg(txtOffset->text(), QFileInfo(m_romPath).fileName())
                     .arg(pastEnd)
                     .arg(RomPalette::ByteCount));
    }
}

void frmMain::writePalette()
{
    if (m_romPath.isEmpty())
        return;
    const auto offset = offsetOrComplain(txtOffset->text());
    if (!offset)
        return;
    if (m_editing->isWide()) {
        m_editing->writeWide(*offset);
        return;
    }
    // The menu item is enabled with any box contents; a box that is not
    // four hexadecimal digits would write bytes other than its swatch shows.
    if (!paletteCompleteOrComplain() || !mayWriteAt(*offset))
        return;
    const QFileInfo rom(m_romPath);
    const qint64 growth = qint64(*offset) + RomPalette::ByteCount - rom.size();
    if (rom.isFile() && growth > 0
        && m_services.messages->ask(
                   this,
                   QStringLiteral("The palette at %1 runs past the end of \"%2\": writing it "
                                  "makes the file %3 bytes longer. Write it?")
                           .arg(txtOffset->text(), rom.fileName())
                           .arg(growth),
                   Platform::programTitle(), QMessageBox::Yes | QMessageBox::No,
                   QMessageBox::Question, QMessageBox::No)
                != QMessageBox::Yes) {
        return;
    }
    const RomPalette::WordTexts texts = boxTexts();
    const RomPalette::Bytes bytes = RomPalette::bytesOf(texts);
    if (!writeRom(*offset, QByteArray(reinterpret_cast<const char *>(bytes.data()),
                                      RomPalette::ByteCount)))
        return;
    m_unedited = texts;
    m_loadedOffset = *offset;
    m_loadedBytes = QByteArray(reinterpret_cast<const char *>(bytes.data()), RomPalette::ByteCount);
    m_lastWasWrite = true;
    emit paletteTextsChanged(); // an 8 bpp view lays the boxes over the new offset
    m_services.messages->showMessage(
            this, QStringLiteral("Palette ") + txtOffset->text() + QStringLiteral(" Edited"),
            Platform::programTitle(), QMessageBox::Ok, QMessageBox::NoIcon);
}

bool frmMain::mayWriteAt(quint32 offset)
{
    if (!m_loadedOffset)
        return true;
    const auto ask = [this](const QString &question) {
        return m_services.messages->ask(this, question, Platform::programTitle(),
                                        QMessageBox::Yes | QMessageBox::No,
                                        QMessageBox::Question, QMessageBox::No)
                == QMessageBox::Yes;
    };
    // Nothing was loaded at another offset, so there is nothing to compare.
    if (offset != *m_loadedOffset) {
        return ask(QStringLiteral("Write the palette loaded from %1 to %2?")
                           .arg(hexText(*m_loadedOffset), hexText(offset)));
    }
    QByteArray now;
    const auto result = RomPalette::readBytes(m_romPath, offset, m_loadedBytes.size(), now);
    if (!result.ok) {
        warn(QStringLiteral("Cannot read the palette from \"%1\" before writing it: %2. Nothing "
                            "was written.")
                     .arg(m_romPath, result.reason));
        return false;
    }
    int changed = 0;
    for (qsizetype i = 0; i + 1 < m_loadedBytes.size(); i += 2)
        changed += now[i] != m_loadedBytes[i] || now[i + 1] != m_loadedBytes[i + 1];
    return changed == 0
            || ask(QStringLiteral("The palette at %1 in \"%2\" was changed by another program "
                                  "since it was %3: %4 of its %5 colours differ. Write over them?")
                           .arg(hexText(offset), QFileInfo(m_romPath).fileName(),
                                m_lastWasWrite ? QStringLiteral("written")
                                               : QStringLiteral("loaded"))
                           .arg(changed)
                           .arg(m_loadedBytes.size() / 2));
}

WriteJournal::Journal &frmMain::journal()
{
    if (!m_journal)
        m_journal = std::make_unique<WriteJournal::Journal>(WriteJournal::Journal::defaultPath());
    return *m_journal;
}

// Every write of the ROM image goes through here and into the journal. A
// journal that fails is reported once and never stops the write.
bool frmMain::writeRom(quint32 offset, const QByteArray &bytes)
{
    const auto outcome = WriteJournal::write(journal(), m_romPath, offset, bytes);
    // A failed write is the news; a journal failing with it (a full disk)
    // is told with the next write that succeeds.
    if (!outcome.file.ok) {
        warn(QStringLiteral("Cannot write the palette to \"%1\": %2.")
                     .arg(m_romPath, outcome.file.reason));
        return false;
    }
    if (!outcome.journalError.isEmpty() && journal().firstWarning())
        warn(outcome.journalError + QStringLiteral(".\nWrites go on without being recorded."));
    if (m_history)
        m_history->refresh();
    if (m_romPalettes)
        m_romPalettes->bytesWritten(offset, bytes.size());
    if (m_findColours)
        m_findColours->imageWritten();
    return true;
}

void frmMain::mnuExportPalette_Click()
{
    if (m_editing->isWide() ? !m_editing->wideCompleteOrComplain() : !paletteCompleteOrComplain())
        return;
    // The size shown: the grid's rows in the file, or the sixteen boxes.
    PaletteFile::Words words = m_editing->wideWords();
    for (const QLineEdit *box : txtChgPal) {
        if (m_editing->isWide())
            break;
        const auto pair = RomPalette::WordTextToBytes(box->text());
        words.append(quint16(pair[0] | (pair[1] << 8)));
    }
    const QString name =
            (QFileInfo(m_romPath).fileName() + QLatin1Char(' ') + txtOffset->text()).trimmed();
    // A refused name opens the chooser again on it, to be mended.
    QString path;
    for (;;) {
        QString filter;
        path = m_services.files->getSaveFileName(this, QStringLiteral("Export Palette"),
                                                 PaletteFile::exportFilter(), path, &filter);
        if (path.isEmpty())
            return;
        const QString suffix = suffixOfFilter(filter);
        if (QFileInfo(path).suffix().isEmpty() && !suffix.isEmpty()) {
            path += QLatin1Char('.') + suffix;
            // The chooser asked about the name typed, not this one.
            if (QFileInfo::exists(path)
                && m_services.messages->ask(
                           this,
                           QStringLiteral("\"%1\" already exists. Replace it?")
                                   .arg(QFileInfo(path).fileName()),
                           Platform::programTitle(), QMessageBox::Yes | QMessageBox::No,
                           QMessageBox::Question, QMessageBox::No)
                        != QMessageBox::Yes)
                continue;
        }
        const QString error = PaletteFile::writeFile(path, words, name);
        if (error.isEmpty())
            return;
        m_services.messages->showMessage(this, error, QStringLiteral("Error"), QMessageBox::Ok,
                                         QMessageBox::Critical);
    }
}

void frmMain::mnuImportPalette_Click()
{
    const QString path = m_services.files->getOpenFileName(this, QStringLiteral("Import Palette"),
                                                           PaletteFile::importFilter());
    if (path.isEmpty())
        return;
    const PaletteFile::Decoded decoded = PaletteFile::readFile(path);
    if (!decoded.error.isEmpty()) {
        m_services.messages->showMessage(this, decoded.error, QStringLiteral("Error"),
                                         QMessageBox::Ok, QMessageBox::Critical);
        return;
    }
    if (m_editing->isWide()) {
        m_editing->importWords(decoded.words);
        return;
    }
    // Only the boxes change; OK writes them, as after any edit.
    const int count = int(decoded.words.size());
    for (int i = 0; i < count && i < RomPalette::WordCount; ++i) {
        const quint16 word = decoded.words.at(i);
        txtChgPal[i]->setText(RomPalette::BytesToWordText(word & 0xFF, word >> 8));
    }
    m_editing->commitChange();
    const QString file = QFileInfo(path).fileName();
    QString told;
    if (count == 1)
        told = QStringLiteral("\"%1\" holds 1 colour: it fills box 1; boxes 2 to 16 are "
                              "unchanged.").arg(file);
    else if (count < RomPalette::WordCount)
        told = QStringLiteral("\"%1\" holds %2 colours: they fill boxes 1 to %2; boxes %3 to 16 "
                              "are unchanged.").arg(file).arg(count).arg(count + 1);
    else if (count > RomPalette::WordCount)
        told = QStringLiteral("\"%1\" holds %2 colours: only the first 16 were taken.")
                       .arg(file)
                       .arg(count);
    if (!told.isEmpty())
        m_services.messages->showMessage(this, told, Platform::programTitle(), QMessageBox::Ok,
                                         QMessageBox::Information);
}
