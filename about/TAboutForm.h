#pragma once

#include "about/VersionInfo.h"

#include <QDialog>
#include <QString>
#include <functional>

class LinkLabel;
class QFrame;
class QLabel;
class QPushButton;
class QUrl;

// The About window: the program's name, description, version and year, and the contacts,
// all taken from the version strings.
class TAboutForm : public QDialog
{
    Q_OBJECT
public:
    using UrlOpener = std::function<void(const QUrl&)>;

    explicit TAboutForm(QWidget* owner = nullptr);

    // Fills every label whose key is present; the others keep their initial texts.
    void LoadVersionInfo(const VersionInfo& info = programVersionInfo());

    QString CompanyEMailURL() const { return m_companyEMailURL; }
    QString CompanyWebURL() const { return m_companyWebURL; }

    // Opens links with QDesktopServices unless replaced.
    void setUrlOpener(UrlOpener opener) { m_openUrl = std::move(opener); }

    void CompanyEMailLabelClick();
    void CompanyWebLabelClick();

private:
    void openLink(const QString& url);
    void placeWebLabel();

    QFrame* Bevel1;
    QLabel* ProductNameLabel;
    QLabel* CommentsLabel;
    QLabel* FileVersionLabel;
    QLabel* YearLabel;
    QLabel* CompanyNameLabel;
    QLabel* CompanyPhoneLabel;
    LinkLabel* CompanyEMailLabel;
    LinkLabel* CompanyWebLabel;
    QPushButton* CloseButton;

    QString m_companyEMailURL;
    QString m_companyWebURL;
    UrlOpener m_openUrl;
};
