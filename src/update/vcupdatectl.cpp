#include "vcupdatectl.h"

#include "asyncdownload.h"
#include "services.h"
#include "twips.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>

using Platform::twipsRect;

namespace {

// Space kept between a page's labels and its right and bottom edges.
const int pageMargin = Platform::fromTwips(120);

QLabel *makeLabel(QWidget *parent, const QString &caption, const QRect &geometry,
                  bool visible = true)
{
    auto *label = new QLabel(caption, parent);
    // Texts from the configuration file are shown as they are, never as markup.
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    label->setGeometry(geometry);
    label->setVisible(visible);
    return label;
}

} // namespace

vcUPDATECTL::vcUPDATECTL(QNetworkAccessManager *network, Platform::MessageService *messages,
                         QWidget *parent)
    : QWidget(parent), m_messages(messages), m_download(new AsyncDownload(network, this))
{
    setObjectName(QStringLiteral("vcUPDATECTL"));
    // The control keeps its size, whatever its host gives it.
    setFixedSize(Platform::twipsSize(5970, 3735));
    buildControls();
    UserControl_Initialize();

    connect(m_download, &AsyncDownload::progress, this,
            [this](qint64 bytesRead, qint64 bytesMax, const QString &name) {
                UserControl_AsyncReadProgress({ bytesRead, bytesMax, name, {}, {} });
            });
    connect(m_download, &AsyncDownload::complete, this, &vcUPDATECTL::onDownloadComplete);
}

vcUPDATECTL::~vcUPDATECTL()
{
    // A download still running stops here, and its temporary file goes.
    m_download->abort();
}

void vcUPDATECTL::buildControls()
{
    Image1 = new QLabel(this);
    Image1->setPixmap(QPixmap(QStringLiteral(":/update/banner.png")));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setGeometry(twipsRect(0, 0, 6105, 1035));

    const char *titles[] = { "Step 1 Of 3", "Step 2 Of 3", "Step 3 Of 3" };
    for (int i = 0; i < 3; ++i) {
        fraFRAME[i] = new QGroupBox(QString::fromLatin1(titles[i]), this);
        fraFRAME[i]->setGeometry(twipsRect(120, 1080, 5775, 2055));
        fraFRAME[i]->setVisible(i == 0);
    }

    lblSTEP1 = makeLabel(fraFRAME[0],
                         QStringLiteral("Welcome to Live Update. This tool search new version of "
                                        "the program on-line. Click \"Next >>\" to continue."),
                         twipsRect(240, 360, 5295, 1575));

    lblSTEP2 = makeLabel(fraFRAME[1],
                         QStringLiteral("Connecting to receive information about new version..."),
                         twipsRect(240, 360, 5535, 255));
    lblPROGRESS = makeLabel(fraFRAME[1], QStringLiteral(" "), twipsRect(240, 600, 5295, 255));
    lblVERSION = makeLabel(fraFRAME[1], QStringLiteral(" "), twipsRect(120, 840, 5295, 255));
    lblNO = makeLabel(fraFRAME[1],
                      QStringLiteral("There isn't update. Click Cancel to end the operation."),
                      twipsRect(120, 1320, 5295, 615), false);
    lblYES = makeLabel(fraFRAME[1],
                       QStringLiteral("The is one new version! Click \"Next >>\" to download it "
                                      "or click \"Cancel\" to cancel the operation."),
                       twipsRect(240, 1560, 5295, 615), false);

    lblPROGRESSUPDATE = makeLabel(fraFRAME[2], QStringLiteral(" "),
                                  twipsRect(120, 1200, 5535, 255));
    lblUPDATE = makeLabel(fraFRAME[2], QStringLiteral("Download Update for: $n to $f"),
                          twipsRect(120, 240, 5535, 855));

    cmdNEXT = new QPushButton(QStringLiteral("&Next >>"), this);
    cmdNEXT->setGeometry(twipsRect(4680, 3240, 1215, 375));
    cmdCANCEL = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCANCEL->setGeometry(twipsRect(3360, 3240, 1215, 375));
    // Enter presses the focused button, as Space does.
    for (QPushButton *button : { cmdNEXT, cmdCANCEL })
        button->setAutoDefault(true);
    setTabOrder(cmdNEXT, cmdCANCEL);
    cmdNEXT->setFocus();

    connect(cmdNEXT, &QPushButton::clicked, this, &vcUPDATECTL::cmdNEXT_Click);
    connect(cmdCANCEL, &QPushButton::clicked, this, &vcUPDATECTL::cmdCANCEL_Click);

    m_pages = { { { lblSTEP1 }, { lblSTEP2, lblPROGRESS, lblVERSION, lblNO, lblYES },
                  { lblUPDATE, lblPROGRESSUPDATE } } };
    QList<QWidget *> fitted{ fraFRAME[0], cmdNEXT, cmdCANCEL };
    for (const QList<QLabel *> &labels : m_pages)
        fitted.append({ labels.begin(), labels.end() });
    for (QWidget *widget : fitted)
        m_designed.insert(widget, widget->geometry());
    fitTexts();
}

void vcUPDATECTL::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange && !m_designed.isEmpty()) {
        m_extra = 0; // room for the new font's lines, more or fewer
        fitTexts();
    }
}

// The lines a label keeps room for, whatever it shows at the moment: the
// texts that arrive later (progress, failures with an address and a
// reason, the update's title and path) then fit without the window
// growing and its buttons moving under the pointer.
int vcUPDATECTL::reservedLines(const QLabel *label) const
{
    if (label == lblPROGRESS || label == lblPROGRESSUPDATE)
        return 4;
    return label == lblUPDATE ? 5 : 1;
}

// The layout was drawn for a smaller system font. Each label is widened to
// its page's margin and given the height its text needs or reserves, below
// the label above it; the pages, the buttons, the control and its window
// grow downwards together to the tallest page, hidden labels included, so
// every page has the same size. Only a text longer than its reserve grows
// them later.
void vcUPDATECTL::fitTexts()
{
    const QRect frame = m_designed.value(fraFRAME[0]);
    int extra = 0;
    for (int page = 0; page < int(m_pages.size()); ++page) {
        const QRect inside = fraFRAME[page]->contentsRect();
        int below = inside.top(); // bottom of the labels placed so far
        int slotTop = below;      // lblNO and lblYES share one place
        int bottom = below;       // of every label, shown or not
        for (QLabel *label : m_pages[page]) {
            const QRect designed = m_designed.value(label);
            const int width = frame.width() - pageMargin - designed.left();
            const int top = std::max(designed.top(), label == lblYES ? slotTop : below);
            if (label == lblNO)
                slotTop = below;
            const int height = std::max({ designed.height(), label->heightForWidth(width),
                                          reservedLines(label)
                                                  * label->fontMetrics().lineSpacing() });
            label->setGeometry(designed.left(), top, width, height);
            if (!label->isHidden())
                below = top + height;
            bottom = std::max(bottom, top + height);
        }
        extra = std::max(extra, bottom + pageMargin - frame.height());
    }
    // Never smaller again: a page shown once keeps its room.
    extra = m_extra = std::max(m_extra, extra);
    for (QGroupBox *page : fraFRAME)
        page->resize(frame.width(), frame.height() + extra);

    // Buttons keep their right-hand edges and widen leftwards when needed.
    const int gap = m_designed.value(cmdNEXT).left() - m_designed.value(cmdCANCEL).right() - 1;
    int right = m_designed.value(cmdNEXT).right();
    for (QPushButton *button : { cmdNEXT, cmdCANCEL }) {
        const QRect designed = m_designed.value(button);
        const int width = std::max(designed.width(), button->sizeHint().width());
        button->setGeometry(right - width + 1, designed.top() + extra, width, designed.height());
        right = button->x() - gap - 1;
    }

    const int grow = Platform::fromTwips(3735) + extra - height();
    if (grow != 0) {
        setFixedSize(width(), height() + grow);
        if (QWidget *host = parentWidget())
            host->setFixedSize(host->width(), host->height() + grow);
    }
}

void vcUPDATECTL::UserControl_Initialize()
{
    strTempFolder = LiveUpdate::tempFolder();
    lngStep = 0;
    strDesktopFolder = LiveUpdate::desktopFolder();
    strVersionInUse = LiveUpdate::versionInUse();
    strDownloadedFile.clear();
}

void vcUPDATECTL::setConfigFileURL(const QString &pstr)
{
    strConfigFileURL = pstr;
}

bool vcUPDATECTL::isDownloading() const
{
    return m_download->isRunning();
}

QString vcUPDATECTL::configCopyPath() const
{
    return m_configFolder ? m_configFolder->filePath(QLatin1String(LiveUpdate::ConfigCopyName))
                          : QString();
}

bool vcUPDATECTL::makeConfigFolder()
{
    // QTemporaryDir makes a new folder that only this user can enter.
    m_configFolder = std::make_unique<QTemporaryDir>(strTempFolder
                                                     + QStringLiteral("cindral-update-XXXXXX"));
    if (m_configFolder->isValid())
        return true;
    showStartError(AsyncDownload::FileAccessError,
                   QStringLiteral("Cannot create a private folder in \"%1\": %2.")
                           .arg(QDir::toNativeSeparators(strTempFolder),
                                m_configFolder->errorString()));
    m_configFolder.reset();
    return false;
}

void vcUPDATECTL::showStartError(int number, const QString &description)
{
    const QString text = QString::number(number)
            + QStringLiteral(":Error in call to BeginDownload().") + QStringLiteral("\n\n")
            + QStringLiteral("Error Description: ") + description;
    m_messages->showMessage(this, text, QStringLiteral("Warning"), QMessageBox::Ok,
                            QMessageBox::Critical);
}

void vcUPDATECTL::cmdNEXT_Click()
{
    cmdCANCEL->setFocus();
    cmdNEXT->setEnabled(false);

    ++lngStep;
    for (int i = 0; i < int(fraFRAME.size()); ++i)
        fraFRAME[i]->setVisible(i == lngStep);

    if (lngStep == 1) {
        if (!strConfigFileURL.isEmpty()) {
            if (makeConfigFolder())
                BeginDownload(strConfigFileURL, configCopyPath());
        } else {
            m_messages->showMessage(this,
                                    QStringLiteral("A configuration download URL was not "
                                                   "provided.  Live Update cannot continue."),
                                    QStringLiteral("Error"), QMessageBox::Ok,
                                    QMessageBox::Critical);
            --lngStep;
        }
    } else if (lngStep == 2) {
        QString caption = lblUPDATE->text();
        caption.replace(QLatin1String("$n"), QLatin1Char('\n') + strUpdateTitle);
        caption.replace(QLatin1String("$f"),
                        QLatin1Char('\n')
                                + QDir::toNativeSeparators(strDesktopFolder + strUpdateFileName));
        lblUPDATE->setText(caption);
        fitTexts();

        if (strDesktopFolder.isEmpty()) {
            showFailure(LiveUpdate::noSaveFolderText(QDir::homePath()));
            return;
        }
        // The name comes from the network: it must name a file in the
        // desktop folder and nothing else.
        if (!LiveUpdate::isSafeFileName(strUpdateFileName)) {
            showFailure(LiveUpdate::unsafeFileNameText(strUpdateFileName));
            return;
        }
        if (m_checksum == LiveUpdate::Checksum::Malformed) {
            showFailure(LiveUpdate::malformedChecksumText());
            return;
        }
        BeginDownload(strUpdateURL, strDesktopFolder + strUpdateFileName);
    }
}

void vcUPDATECTL::cmdCANCEL_Click()
{
    m_download->abort();
    m_configFolder.reset();
    window()->close();
    emit CloseRequest(strDownloadedFile);
}

void vcUPDATECTL::BeginDownload(const QString &address, const QString &localPath)
{
    AsyncDownload::Options options;
    options.transferTimeoutMs = m_transferTimeoutMs;
    if (localPath == configCopyPath()) {
        options.mode = AsyncDownload::Mode::Memory;
        options.maxBytes = LiveUpdate::MaxConfigBytes;
    } else {
        options.mode = AsyncDownload::Mode::File;
        options.maxBytes = m_maxUpdateBytes;
        if (m_checksum == LiveUpdate::Checksum::Sha256)
            options.sha256 = m_sha256;
    }
    AsyncDownload::StartError error;
    if (!m_download->start(address, localPath, options, &error)) {
        m_configFolder.reset();
        showStartError(error.number, error.description);
    }
}

void vcUPDATECTL::UserControl_AsyncReadProgress(const AsyncProperty &AsyncProp)
{
    if (AsyncProp.BytesMax != 0)
        ShowProgress(AsyncProp.BytesRead, AsyncProp.BytesMax, AsyncProp.PropertyName);
}

void vcUPDATECTL::ShowProgress(qint64 bytesRead, qint64 bytesMax, const QString &localPath)
{
    if (localPath == configCopyPath()) {
        setProgressText(lblPROGRESS, LiveUpdate::configProgressText(bytesRead, bytesMax));
    } else {
        setProgressText(lblPROGRESSUPDATE, LiveUpdate::updateProgressText(bytesRead, bytesMax));
        lngBytesMax = bytesMax;
    }
}

void vcUPDATECTL::onDownloadComplete(qint64 bytesMax, const QString &propertyName)
{
    AsyncProperty property;
    property.BytesMax = bytesMax;
    property.PropertyName = propertyName;
    property.Value = m_download->value();
    switch (m_download->outcome()) {
    case AsyncDownload::Outcome::TooLarge:
        property.Failure = propertyName == configCopyPath()
                ? LiveUpdate::configTooLargeText()
                : LiveUpdate::updateTooLargeText(m_maxUpdateBytes);
        break;
    case AsyncDownload::Outcome::NoSpace:
        property.Failure = LiveUpdate::noSpaceText(m_download->bytesAnnounced(),
                                                   m_download->bytesFree(), strDesktopFolder);
        break;
    case AsyncDownload::Outcome::ChecksumMismatch:
        property.Failure = LiveUpdate::checksumMismatchText();
        break;
    case AsyncDownload::Outcome::SaveFailed:
        property.Failure = LiveUpdate::saveFailedText(propertyName, m_download->failureReason());
        break;
    default:
        break;
    }
    UserControl_AsyncReadComplete(property);
}

void vcUPDATECTL::UserControl_AsyncReadComplete(const AsyncProperty &AsyncProp)
{
    const bool isConfig = AsyncProp.PropertyName == configCopyPath();
    if (!AsyncProp.Failure.isEmpty() || AsyncProp.BytesMax == 0) {
        if (isConfig)
            m_configFolder.reset();
        if (AsyncProp.Failure.isEmpty())
            ErrorMessage();
        else
            showFailure(AsyncProp.Failure);
        return;
    }
    // The update itself is already in place; the configuration arrives in
    // memory and is kept as a copy in the private folder until it is read.
    if (isConfig) {
        QFile file(AsyncProp.PropertyName);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)
            || file.write(AsyncProp.Value) != AsyncProp.Value.size() || !file.flush()) {
            showFailure(LiveUpdate::saveFailedText(AsyncProp.PropertyName, file.errorString()));
            m_configFolder.reset();
            return;
        }
        file.close();
        ReadConfigFile(AsyncProp.Value);
    }
    DownloadComplete(AsyncProp.BytesMax, AsyncProp.PropertyName);
    // The copy and its folder go once the version line is shown.
    if (isConfig)
        m_configFolder.reset();
}

void vcUPDATECTL::DownloadComplete(qint64 bytesMax, const QString &localPath)
{
    if (localPath == configCopyPath()) {
        lblVERSION->setText(LiveUpdate::versionLine(strVersionInUse, strNewestVersion));
        if (!LiveUpdate::isNewVersion(strNewestVersion, strVersionInUse)) {
            lblNO->setVisible(true);
            cmdCANCEL->setFocus();
        } else {
            lblYES->setVisible(true);
            cmdNEXT->setEnabled(true);
            cmdNEXT->setFocus();
        }
        fitTexts();
    } else {
        cmdCANCEL->setText(QStringLiteral("Fine"));
        cmdCANCEL->setFocus();
        // The count saved, which is the total even when the server gave none.
        lngBytesMax = bytesMax;
        setProgressText(lblPROGRESSUPDATE, LiveUpdate::completionText(lngBytesMax));
        strDownloadedFile = localPath;
    }
}

void vcUPDATECTL::ReadConfigFile(const QByteArray &bytes)
{
    // Read from the bytes received, not back from the copy: what is on
    // disk could have been changed in between.
    const LiveUpdate::UpdateConfig config = LiveUpdate::parseConfig(bytes);
    strUpdateTitle = config.title;
    strNewestVersion = config.newestVersion;
    strUpdateURL = config.url;
    if (config.lineCount >= 3)
        strUpdateFileName = config.fileName;
    m_checksum = config.checksum;
    m_sha256 = config.sha256;
}

void vcUPDATECTL::ErrorMessage()
{
    showFailure(LiveUpdate::connectionErrorText(m_download->failedAddress(),
                                                m_download->failureReason()));
}

void vcUPDATECTL::showFailure(const QString &text)
{
    setProgressText(lngStep == 1 ? lblPROGRESS : lblPROGRESSUPDATE, text);
}

void vcUPDATECTL::setProgressText(QLabel *label, const QString &text)
{
    label->setText(text);
    fitTexts();
}
