#include "about/TAboutForm.h"

#include "common/ui/ScreenCentre.h"

#include "about/LinkLabel.h"

#include <QDesktopServices>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

#include <algorithm>

namespace {

template <typename L> L* label(QWidget* parent, const char* name, int left, int top)
{
    auto* l = new L(parent);
    l->setObjectName(QLatin1String(name));
    l->setTextFormat(Qt::PlainText);
    l->setText(QLatin1String(name));
    l->move(left, top);
    l->adjustSize();
    return l;
}

// A label of fixed size whose text wraps and is cut off at the bottom.
QLabel* wrappingLabel(QWidget* parent, const char* name, int left, int top)
{
    QLabel* l = label<QLabel>(parent, name, left, top);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setGeometry(left, top, 249, 25);
    return l;
}

void setShown(QLabel* label, const QString& text)
{
    label->setText(text);
    if (!label->wordWrap())
        label->adjustSize();
}

} // namespace

TAboutForm::TAboutForm(QWidget* owner)
    : QDialog(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_openUrl([](const QUrl& url) { QDesktopServices::openUrl(url); })
{
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("О программе"));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);
    setFixedSize(274, 197);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(0, 0, 273, 161);
    ProductNameLabel = label<QLabel>(this, "ProductNameLabel", 16, 16);
    CommentsLabel = wrappingLabel(this, "CommentsLabel", 16, 32);
    FileVersionLabel = label<QLabel>(this, "FileVersionLabel", 16, 64);
    YearLabel = label<QLabel>(this, "YearLabel", 104, 64);
    CompanyNameLabel = label<QLabel>(this, "CompanyNameLabel", 16, 88);
    CompanyPhoneLabel = wrappingLabel(this, "CompanyPhoneLabel", 16, 104);
    CompanyEMailLabel = label<LinkLabel>(this, "CompanyEMailLabel", 16, 136);
    CompanyWebLabel = label<LinkLabel>(this, "CompanyWebLabel", 144, 136);

    CloseButton = new QPushButton(QStringLiteral("Закрыть"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    CloseButton->setGeometry(100, 168, 75, 25);
    CloseButton->setDefault(true);
    CloseButton->setFocus();

    connect(CloseButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CompanyEMailLabel, &LinkLabel::clicked, this, &TAboutForm::CompanyEMailLabelClick);
    connect(CompanyWebLabel, &LinkLabel::clicked, this, &TAboutForm::CompanyWebLabelClick);

    placeAtScreenCentre(this, ownerScreen(this));
}

void TAboutForm::LoadVersionInfo(const VersionInfo& info)
{
    QString value;
    if (QueryVersionString(info, QStringLiteral("ProductName"), value))
        setShown(ProductNameLabel, value);
    if (QueryVersionString(info, QStringLiteral("Comments"), value))
        setShown(CommentsLabel, value);
    if (QueryVersionString(info, QStringLiteral("FileVersion"), value))
        setShown(FileVersionLabel, QStringLiteral("Версия ") + value + QLatin1Char(','));
    if (QueryVersionString(info, QStringLiteral("Year"), value))
        setShown(YearLabel, value);
    if (QueryVersionString(info, QStringLiteral("CompanyName"), value))
        setShown(CompanyNameLabel, value);
    if (QueryVersionString(info, QStringLiteral("CompanyPhone"), value))
        setShown(CompanyPhoneLabel, QStringLiteral("тел. ") + value);
    if (QueryVersionString(info, QStringLiteral("CompanyEMail"), value)) {
        setShown(CompanyEMailLabel, QStringLiteral("e-mail: ") + value);
        m_companyEMailURL = QStringLiteral("mailto:") + value;
    }
    if (QueryVersionString(info, QStringLiteral("CompanyWeb"), value)) {
        setShown(CompanyWebLabel, QStringLiteral("http://") + value);
        m_companyWebURL = QStringLiteral("http://") + value;
    }
    placeWebLabel();
}

// The web link stands at x 144 unless the e-mail link reaches that far; it then follows the
// e-mail link, and when the line has no room for both, the e-mail link is cut short before it.
// So a click on either opens only its own target.
void TAboutForm::placeWebLabel()
{
    constexpr int Gap = 4;
    const int lineEnd = Bevel1->geometry().right() + 1 - Gap;
    int x = std::max(144, CompanyEMailLabel->geometry().right() + 1 + Gap);
    if (x + CompanyWebLabel->width() > lineEnd) {
        x = std::max(144, lineEnd - CompanyWebLabel->width());
        CompanyEMailLabel->resize(x - Gap - CompanyEMailLabel->x(), CompanyEMailLabel->height());
    }
    CompanyWebLabel->move(x, CompanyWebLabel->y());
}

void TAboutForm::CompanyEMailLabelClick()
{
    openLink(m_companyEMailURL);
}

void TAboutForm::CompanyWebLabelClick()
{
    openLink(m_companyWebURL);
}

void TAboutForm::openLink(const QString& url)
{
    if (!url.isEmpty() && m_openUrl)
        m_openUrl(QUrl(url));
}
