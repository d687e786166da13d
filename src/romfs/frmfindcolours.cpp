#include "frmfindcolours.h"

#include "colourstrip.h"
#include "palettefinder.h"
#include "palettetext.h"
#include "rompalette.h"

#include <QAbstractTableModel>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

enum MatchColumn { MatchOffsetColumn, MatchSourceColumn, MatchLikenessColumn, MatchStripColumn, MatchColumnCount };

} // namespace

// The matches and, for each one outside compressed files, the words found
// there (at most sixteen), read by the search's thread.
struct frmFindColours::Found
{
    RomFs::ColourSearch search;
    std::vector<std::vector<quint16>> strips;
};

class ColourMatchModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setFound(std::shared_ptr<const frmFindColours::Found> found)
    {
        beginResetModel();
        m_found = std::move(found);
        endResetModel();
    }
    const RomFs::ColourMatch &match(int row) const { return m_found->search.matches[size_t(row)]; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() || !m_found ? 0 : int(m_found->search.matches.size());
    }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : MatchColumnCount;
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        const RomFs::ColourMatch &found = match(index.row());
        if (role == Qt::DisplayRole) {
            switch (index.column()) {
            case MatchOffsetColumn:
                return RomFs::offsetText(found.offset);
            case MatchSourceColumn:
                return found.compressed ? found.source + QStringLiteral(" (compressed)")
                                        : found.source;
            case MatchLikenessColumn:
                return found.exact ? QStringLiteral("exact") : QStringLiteral("near");
            default:
                return QVariant();
            }
        }
        if (role == Qt::UserRole && index.column() == MatchStripColumn) {
            QVariantList words;
            for (quint16 word : m_found->strips[size_t(index.row())])
                words.append(uint(word));
            return words;
        }
        // Near matches stand apart from the exact ones above them.
        if (role == Qt::FontRole && !found.exact) {
            QFont italic;
            italic.setItalic(true);
            return italic;
        }
        if (role == Qt::TextAlignmentRole && index.column() == MatchOffsetColumn)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        if (role == Qt::ToolTipRole) {
            if (found.compressed)
                return QStringLiteral("Inside a compressed file: cannot be edited in place");
            if (!found.exact)
                return QStringLiteral("Every colour here is within one step of a colour sought");
        }
        return QVariant();
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return QVariant();
        static const char *const captions[] = { "Offset", "Source", "Match", "Colours there" };
        return QString::fromLatin1(captions[section]);
    }

private:
    std::shared_ptr<const frmFindColours::Found> m_found;
};

frmFindColours::frmFindColours(const Platform::Services &services,
                               std::function<QList<MainColour>()> colours,
                               std::function<void(const QString &)> activate, QWidget *parent)
    : QWidget(parent, Qt::Window),
      m_services(services),
      m_colours(std::move(colours)),
      m_activate(std::move(activate))
{
    setWindowTitle(QStringLiteral("Find Colours"));
    resize(560, 440);

    cmdFindBoxes = new QPushButton(QStringLiteral("Find the &main window's colours"), this);
    cmdFindBoxes->setToolTip(QStringLiteral("Searches for the sixteen boxes' colours in order, or for "
                                            "the colours selected there; empty boxes are left out"));
    connect(cmdFindBoxes, &QPushButton::clicked, this, &frmFindColours::cmdFindBoxes_Click);

    auto *pasteLabel = new QLabel(QStringLiteral("Or &paste colours (1F00 E003 or #F80000, "
                                                 "separated by blanks, commas or lines):"),
                                  this);
    txtColours = new QPlainTextEdit(this);
    txtColours->setTabChangesFocus(true);
    txtColours->setFixedHeight(txtColours->fontMetrics().lineSpacing() * 3 + 12);
    pasteLabel->setBuddy(txtColours);
    cmdFindText = new QPushButton(QStringLiteral("Find &these colours"), this);
    connect(cmdFindText, &QPushButton::clicked, this, &frmFindColours::cmdFindText_Click);

    m_model = new ColourMatchModel(this);
    lstMatches = makeFoundList(this, m_model, MatchSourceColumn);
    lstMatches->setItemDelegateForColumn(MatchStripColumn, new ColourStripDelegate(lstMatches));
    lstMatches->setColumnWidth(MatchOffsetColumn, 80);
    lstMatches->setColumnWidth(MatchLikenessColumn, 50);
    lstMatches->setColumnWidth(MatchStripColumn, ColourStripDelegate::ColumnWidth);
    connect(lstMatches, &QTableView::activated, this, &frmFindColours::lstMatches_Activated);

    lblStatus = new QLabel(this);
    lblStatus->setWordWrap(true);

    auto *textRow = new QHBoxLayout;
    textRow->addWidget(txtColours, 1);
    textRow->addWidget(cmdFindText, 0, Qt::AlignTop);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(cmdFindBoxes, 0, Qt::AlignLeft);
    layout->addWidget(pasteLabel);
    layout->addLayout(textRow);
    layout->addWidget(lstMatches, 1);
    layout->addWidget(lblStatus);
    setRom(QString());
}

frmFindColours::~frmFindColours() = default;

void frmFindColours::setRom(const QString &path)
{
    m_path = path;
    updateButtons();
    if (path.isEmpty() || m_words.empty()) {
        m_work.restart();
        m_model->setFound(nullptr);
        lblStatus->setText(path.isEmpty()
                                   ? QStringLiteral("No ROM image is open.")
                                   : QStringLiteral("Choose the colours to find in %1.")
                                             .arg(QFileInfo(path).fileName()));
        return;
    }
    search(m_words);
}

void frmFindColours::imageWritten()
{
    if (!m_path.isEmpty() && !m_words.empty())
        search(m_words);
}

void frmFindColours::updateButtons()
{
    cmdFindBoxes->setEnabled(!m_path.isEmpty());
    cmdFindText->setEnabled(!m_path.isEmpty());
}

void frmFindColours::cmdFindBoxes_Click()
{
    const QList<MainColour> colours = m_colours ? m_colours() : QList<MainColour>();
    std::vector<quint16> words;
    for (const MainColour &colour : colours) {
        const QString text = colour.text.trimmed();
        if (text.isEmpty())
            continue;
        if (!RomPalette::isWordText(text)) {
            refuse(QStringLiteral("%1 of the main window holds \"%2\", not a colour word of "
                                  "four hexadecimal digits.")
                           .arg(colour.name, text));
            return;
        }
        const auto bytes = RomPalette::WordTextToBytes(text);
        words.push_back(quint16(bytes[0] | bytes[1] << 8));
    }
    if (words.empty()) {
        refuse(QStringLiteral("The main window's boxes are empty: load or type a palette first."));
        return;
    }
    search(std::move(words));
}

void frmFindColours::cmdFindText_Click()
{
    PaletteText::ParsedColours parsed = PaletteText::parseColours(txtColours->toPlainText());
    if (!parsed.error.isEmpty()) {
        refuse(parsed.error);
        return;
    }
    if (parsed.words.empty()) {
        refuse(QStringLiteral("Paste or type the colours to find first."));
        return;
    }
    if (parsed.words.size() > size_t(RomFs::MaxSearchWords)) {
        refuse(QStringLiteral("%1 colours were given; at most %2 can be searched for at once.")
                       .arg(parsed.words.size())
                       .arg(RomFs::MaxSearchWords));
        return;
    }
    search(std::move(parsed.words));
}

void frmFindColours::refuse(const QString &text)
{
    m_services.messages->showMessage(this, text, windowTitle(), QMessageBox::Ok,
                                     QMessageBox::Warning);
}

void frmFindColours::search(std::vector<quint16> words)
{
    m_words = std::move(words);
    const int generation = m_work.restart();
    m_model->setFound(nullptr);
    if (m_path.isEmpty())
        return;
    lblStatus->setText(QStringLiteral("Looking for %1 colours in %2...")
                               .arg(m_words.size())
                               .arg(QFileInfo(m_path).fileName()));
    m_work.run([this, path = m_path, words = m_words, generation](const std::atomic<bool> &cancel) {
        auto found = std::make_shared<Found>();
        RomFs::FileImage image;
        QString reason;
        const bool ok = image.open(path, &reason);
        if (ok)
            found->search = RomFs::findColours(image, words, &cancel);
        for (const RomFs::ColourMatch &match : found->search.matches) {
            if (cancel.load())
                return;
            std::vector<quint16> strip;
            uchar bytes[32];
            const quint64 count = std::min<quint64>(match.colours, 16);
            // A compressed file's offset is not where its colours lie.
            if (!match.compressed && image.read(match.offset, bytes, 2 * count)) {
                for (quint64 i = 0; i < count; ++i)
                    strip.push_back(quint16(bytes[2 * i] | bytes[2 * i + 1] << 8));
            }
            found->strips.push_back(std::move(strip));
        }
        if (cancel.load())
            return;
        QMetaObject::invokeMethod(
                this, [this, generation, ok, found, reason] { showFound(generation, ok, found, reason); },
                Qt::QueuedConnection);
    });
}

void frmFindColours::showFound(int generation, bool ok, const std::shared_ptr<Found> &found,
                               const QString &reason)
{
    if (!m_work.isCurrent(generation))
        return;
    const QString fileName = QFileInfo(m_path).fileName();
    if (!ok) {
        lblStatus->setText(QStringLiteral("Cannot read \"%1\": %2.").arg(m_path, reason));
        emit searched();
        return;
    }
    const std::vector<RomFs::ColourMatch> &matches = found->search.matches;
    const auto exact = std::count_if(matches.begin(), matches.end(),
                                     [](const RomFs::ColourMatch &m) { return m.exact; });
    const QString sought = m_words.size() == 1 ? QStringLiteral("the colour")
                                                : QStringLiteral("the %1 colours").arg(m_words.size());
    const qsizetype count = qsizetype(matches.size());
    QString status = count == 0 ? QStringLiteral("No match for %1 in %2.").arg(sought, fileName)
            : count == exact
            ? QStringLiteral("%1 exact %2 for %3 in %4.")
                      .arg(count)
                      .arg(count == 1 ? QStringLiteral("match") : QStringLiteral("matches"))
                      .arg(sought, fileName)
            : QStringLiteral("%1 %2 for %3 in %4: %5 exact, %6 near.")
                      .arg(count)
                      .arg(count == 1 ? QStringLiteral("match") : QStringLiteral("matches"))
                      .arg(sought, fileName)
                      .arg(exact)
                      .arg(count - exact);
    if (found->search.truncated)
        status += QStringLiteral(" The search stopped at its limit of %1 matches; more may lie "
                                 "further on.")
                          .arg(RomFs::MaxColourMatches);
    lblStatus->setText(status);
    m_model->setFound(found);
    emit searched();
}

void frmFindColours::lstMatches_Activated(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    const RomFs::ColourMatch &match = m_model->match(index.row());
    if (match.compressed) {
        m_services.messages->showMessage(
                this,
                QStringLiteral("The colours in %1 lie in a compressed file at %2; they cannot be "
                               "edited in place.")
                        .arg(match.source, RomFs::offsetText(match.offset)),
                windowTitle(), QMessageBox::Ok, QMessageBox::Information);
        return;
    }
    if (m_activate)
        m_activate(RomFs::offsetText(match.offset));
}
