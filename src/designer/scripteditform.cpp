#include "designer/scripteditform.h"

#include "definition/designbands.h"
#include "definition/designreport.h"
#include "definition/loader.h"
#include "designer/expressionbuilder.h"
#include "scripting/interpreter.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextCursor>
#include <QVBoxLayout>

#include <memory>

TScriptEditForm::TScriptEditForm(TQRDLoader *loader, TComponent *element, TQRDesignReport *report,
                                 QWidget *parent)
    : QDialog(parent), m_loader(loader), m_element(element), m_report(report)
{
    setWindowTitle(QStringLiteral("Script"));
    auto *layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    layout->addWidget(m_tabs);

    struct PageSpec {
        const char *caption;
        const char *event;
        bool reportOnly;
    };
    static const PageSpec specs[] = {{"Before Print", "BeforePrint", false},
                                     {"After Print", "AfterPrint", false},
                                     {"After Preview", "AfterPreview", true},
                                     {"On start page", "StartPage", true},
                                     {"On end page", "EndPage", true}};
    const bool isReport = qobject_cast<TQRDesignReport *>(element) != nullptr;
    const QStringList script = loader ? loader->Script() : QStringList();
    const QString name = element ? element->Name() : QString();
    for (const PageSpec &spec : specs) {
        if (spec.reportOnly && !isReport)
            continue;
        auto *page = new QWidget(m_tabs);
        auto *pageLayout = new QVBoxLayout(page);
        auto *edit = new QPlainTextEdit(page);
        edit->setLineWrapMode(QPlainTextEdit::NoWrap);
        QFont mono(QStringLiteral("Courier New"));
        mono.setStyleHint(QFont::Monospace);
        edit->setFont(mono);
        const TScriptSection section = FindScriptSection(script, name, QLatin1String(spec.event));
        if (section.Found())
            edit->setPlainText(script.mid(section.Header + 1, section.Length - 1).join(u'\n'));
        pageLayout->addWidget(edit);
        auto *row = new QHBoxLayout;
        auto *insert = new QPushButton(QStringLiteral("Insert expression ..."), page);
        const int index = int(m_pages.size());
        connect(insert, &QPushButton::clicked, this, [this, index] { InsertExpression(index); });
        row->addWidget(insert);
        row->addStretch();
        pageLayout->addLayout(row);
        m_tabs->addTab(page, QLatin1String(spec.caption));
        m_pages.append({QLatin1String(spec.caption), QLatin1String(spec.event), edit});
    }

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    connect(ok, &QPushButton::clicked, this, [this] {
        Apply();
        accept();
    });
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    resize(560, 400);
}

QStringList TScriptEditForm::EditedScript() const
{
    QStringList script = m_loader ? m_loader->Script() : QStringList();
    const QString name = m_element ? m_element->Name() : QString();
    for (const TScriptPage &page : m_pages) {
        const TScriptSection section = FindScriptSection(script, name, page.Event);
        if (section.Found())
            script.remove(section.Header, section.Length);
        const QString text = page.Edit->toPlainText();
        if (text.isEmpty())
            continue;
        script << u'[' + name + u'.' + page.Event + u']';
        script << text.split(u'\n');
    }
    return script;
}

void TScriptEditForm::Apply()
{
    if (!m_loader)
        return;
    m_loader->SetScript(EditedScript());
    if (m_report)
        m_report->SetModified(true);
}

void TScriptEditForm::InsertExpression(int page)
{
    if (page < 0 || page >= m_pages.size())
        return;
    QPlainTextEdit *edit = m_pages[page].Edit;
    TQRDExpressionBuilder builder(this);
    TComponent *context = m_report ? static_cast<TComponent *>(m_report) : m_element.data();
    builder.Setup(QString(), edit->textCursor().selectedText(), context,
                  m_report ? m_report->Functions() : nullptr);
    if (builder.Execute())
        edit->insertPlainText(builder.Expression());
}
