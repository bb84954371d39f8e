#pragma once

// The process-wide list of open windows and data modules.
//
// Expression functions, report loaders and the designer find components by
// name across the application: each open window is represented by the
// component that owns its components (a TForm), each data module by a
// TDataModule. Both register themselves while they exist, in creation order.

#include "component.h"

#include <QList>
#include <functional>

class TScreen
{
public:
    static TScreen &Instance();

    // Open windows and data modules, in the order they were opened.
    QList<TComponent *> Forms() const;
    QList<TComponent *> DataModules() const;

    void AddForm(TComponent *form);
    void RemoveForm(TComponent *form);
    void AddDataModule(TComponent *module);
    void RemoveDataModule(TComponent *module);

    using Predicate = std::function<bool(TComponent *)>;
    // The first component named `name` (case ignored) that satisfies accept,
    // searching each owner's components in order; owners in list order.
    static TComponent *FindIn(const QList<TComponent *> &owners, const QString &name,
                              const Predicate &accept);
    // Open windows first, then data modules.
    TComponent *FindComponent(const QString &name, const Predicate &accept) const;

private:
    QList<TComponent *> m_forms;
    QList<TComponent *> m_modules;
};

// Owner of a window's components; listed among the open windows while it exists.
class TForm : public TComponent
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TForm(TComponent *owner = nullptr);
    ~TForm() override;
};

// A non-visual container of shared components (databases, datasets).
class TDataModule : public TComponent
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TDataModule(TComponent *owner = nullptr);
    ~TDataModule() override;
};
