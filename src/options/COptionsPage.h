#pragma once

#include "CDataExchange.h"

#include <QWidget>

#include <optional>

class QGridLayout;
class QGroupBox;
class QLineEdit;
class QMessageBox;
struct CSettings;

// A page of the Options sheet. The page object holds its members from the
// start; its controls are built only when the page is first shown, so a page
// never shown writes back exactly the values it was given.
class COptionsPage : public QWidget
{
    Q_OBJECT

public:
    explicit COptionsPage(const QString &caption, QWidget *parent = nullptr);

    QString caption() const { return m_caption; }
    bool isCreated() const { return m_bCreated; }
    // Builds the controls and fills them from the members, once.
    void create();

    // Copies the settings into the members.
    virtual void load(const CSettings &settings) = 0;
    // Puts the members into the record that is written.
    virtual void store(CSettings &settings) const = 0;

    // Moves the members into the controls or, validating, the controls into
    // the members. The failure, if any, is not shown.
    std::optional<CDataExchange::Failure> UpdateData(bool fromControls);
    // The user pressed OK or "Apply" with this page created.
    virtual void OnApply();

    bool isModified() const { return m_bModified; }
    void SetModified(bool modified = true);

signals:
    void modifiedChanged(bool modified);
    // The page took part in an apply: the sheet has something to save.
    void applied();

protected:
    virtual void OnInitDialog();
    virtual void DoDataExchange(CDataExchange &dx) = 0;
    virtual void OnOK() {}

    // A warning with an OK button, as the pages show when they are applied.
    void warn(const QString &text);

    // Helpers that build the page's controls in the usual arrangement.
    QGroupBox *addGroup(const QString &title, int stretch = 0);
    QLineEdit *addEdit(QGridLayout *grid, int row, const QString &label, int id);
    // Marks the page modified whenever the user changes the edit's text.
    void marksModified(QLineEdit *edit);
    static QGridLayout *gridOf(QGroupBox *group);

private:
    QString m_caption;
    bool m_bCreated = false;
    bool m_bModified = false;
};
