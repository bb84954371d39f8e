#include "screen.h"

TScreen &TScreen::Instance()
{
    static TScreen screen;
    return screen;
}

QList<TComponent *> TScreen::Forms() const
{
    return m_forms;
}

QList<TComponent *> TScreen::DataModules() const
{
    return m_modules;
}

void TScreen::AddForm(TComponent *form)
{
    if (form && !m_forms.contains(form))
        m_forms.append(form);
}

void TScreen::RemoveForm(TComponent *form)
{
    m_forms.removeAll(form);
}

void TScreen::AddDataModule(TComponent *module)
{
    if (module && !m_modules.contains(module))
        m_modules.append(module);
}

void TScreen::RemoveDataModule(TComponent *module)
{
    m_modules.removeAll(module);
}

TComponent *TScreen::FindIn(const QList<TComponent *> &owners, const QString &name, const Predicate &accept)
{
    for (TComponent *owner : owners) {
        for (TComponent *c : owner->ComponentList())
            if (c->Name().compare(name, Qt::CaseInsensitive) == 0 && (!accept || accept(c)))
                return c;
    }
    return nullptr;
}

TComponent *TScreen::FindComponent(const QString &name, const Predicate &accept) const
{
    if (TComponent *c = FindIn(m_forms, name, accept))
        return c;
    return FindIn(m_modules, name, accept);
}

TForm::TForm(TComponent *owner) : TComponent(owner)
{
    TScreen::Instance().AddForm(this);
}

TForm::~TForm()
{
    TScreen::Instance().RemoveForm(this);
    DestroyComponents();
}

TDataModule::TDataModule(TComponent *owner) : TComponent(owner)
{
    TScreen::Instance().AddDataModule(this);
}

TDataModule::~TDataModule()
{
    TScreen::Instance().RemoveDataModule(this);
    DestroyComponents();
}
