#pragma once

#include "COptionsPage.h"

#include "app/CViewFont.h"

#include <QFont>

#include <optional>

class QRadioButton;

// The Editor options page: tab and indent sizes, whether Tab inserts spaces,
// automatic indentation and the editor font with a sample. The sizes and the
// font become the texts that are saved only when the page is applied.
class CEditorParams : public COptionsPage
{
    Q_OBJECT

public:
    // `editorFont` is the font the editor shows now, if it has one.
    explicit CEditorParams(const std::optional<QFont> &editorFont, QWidget *parent = nullptr);

    void load(const CSettings &settings) override;
    void store(CSettings &settings) const override;
    // The font of the last apply; empty while the page was never applied.
    const std::optional<QFont> &appliedFont() const { return m_appliedFont; }

    static constexpr int kSampleLimit = 20;
    // What the Tab size and Indent size fields show when the setting is empty or 0.
    static constexpr int kUsualSize = 4;

protected:
    void OnInitDialog() override;
    void DoDataExchange(CDataExchange &dx) override;
    void OnOK() override;

private:
    void OnFont();
    void setTabExpand(const QString &text);
    void setAutoIndent(int on);

    CViewFont m_logFont;
    QFont m_font;
    QString m_strFont;
    QLineEdit *m_sample = nullptr;
    QString m_strSample = QStringLiteral("Sample Text");
    long m_nIndentSize = 0;
    long m_nTabSize = 0;
    QString m_strIndent;
    QString m_strTab;
    QString m_strTabExpand;
    int m_bAutoIndent = 0;
    QString m_strAutoIndent = QStringLiteral("N");

    std::optional<QFont> m_editorFont;
    std::optional<QFont> m_appliedFont;
    QLineEdit *m_tabSize = nullptr;
    QLineEdit *m_indentSize = nullptr;
};
