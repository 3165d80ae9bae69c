#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Shared by the tests of projects: the engine's lock folder, the results a file holds, and
// Firebird's own isql-fb as an outside witness.
namespace StorageTest {

// Sets the per-user lock folder; call first in main or initTestCase.
void prepareEngine();

bool isqlAvailable();
// Runs isql-fb on the file with the given input; stdout and stderr together.
QString runIsql(const QString& path, const QString& input, QStringList extraArgs = {});
// The metadata isql-fb extracts from the file (-x).
QString extractMetadata(const QString& path);

QByteArray fileBytes(const QString& path);

// The results stored in the project, read through the data module; -1 when the file is not a
// project that opens.
int resultCount(const QString& project);

// Another program with the file open: isql-fb, attached until the holder is destroyed.
class ProjectHolder
{
public:
    explicit ProjectHolder(const QString& path);
    ~ProjectHolder();
    ProjectHolder(const ProjectHolder&) = delete;
    ProjectHolder& operator=(const ProjectHolder&) = delete;

    // False when isql-fb could not attach the file (or is not installed); what it said then.
    bool attached() const { return m_attached; }
    const QByteArray& said() const { return m_said; }

private:
    QProcess m_isql;
    QByteArray m_said;
    bool m_attached = false;
};

// The environment of a child process with the fault shim preloaded.
QProcessEnvironment faultShimEnvironment(const QString& shim);

} // namespace StorageTest
