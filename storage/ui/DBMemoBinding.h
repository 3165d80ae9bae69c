#pragma once

#include <QObject>
#include <QPlainTextEdit>
#include <QPointer>

class DataSource;
class Field;

// Binds a multi-line editor to a blob text field of a data source's current row. The first
// keystroke puts the dataset into edit state (so unsaved changes show at once); the text is
// handed to the field when the dataset posts, which the editor asks for when it loses the focus.
// Text that Windows-1251 cannot hold is refused: textRejected carries the message for the user
// and the edit stays in progress; a post asked for by the program raises StorageError instead.
class DBMemoBinding : public QObject
{
    Q_OBJECT

public:
    DBMemoBinding(QPlainTextEdit* editor, DataSource* source, const QString& fieldName,
                  QObject* parent = nullptr);
    ~DBMemoBinding() override;

    QPlainTextEdit* editor() const { return m_editor; }
    // Posts the dataset when the editor holds a change; false when the text was refused.
    bool postEdit();

signals:
    void textRejected(const QString& message);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Field* field() const;
    void loadFromField();
    void editorTextChanged();
    void updateRecord();

    QPointer<QPlainTextEdit> m_editor;
    QPointer<DataSource> m_source;
    QString m_fieldName;
    bool m_loading = false;
    bool m_modified = false;
};
