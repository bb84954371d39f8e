#pragma once

// The standard functions: logic, text, arithmetic, clock, type inspection and the aggregates.

#include "expressions/elements.h"

class TQRFunctionLibrary;

// Registers the twenty-one standard functions in their fixed order.
void RegisterStandardFunctions(TQRFunctionLibrary &library);

class TQREvIfFunction : public TQREvElementFunction
{
public:
    void Apply(TQREvValue &value) override;
};

class TQREvTrue : public TQREvElementFunction
{
public:
    void Apply(TQREvValue &value) override;
};

class TQREvFalse : public TQREvElementFunction
{
public:
    void Apply(TQREvValue &value) override;
};

class TQREvStrFunction : public TQREvElementFunction
{
public:
    void Apply(TQREvValue &value) override;
};

class TQREvUpperFunction : public TQREvElementFunction
{
public:
    void Apply(TQREvValue &value) override;
};

class TQREvLowerFunction : public TQREvElementFunction
{
public:
    void Apply(TQREvValue &value) override;
};

class TQREvPrettyFunction : public TQREvElementFunction
{
public:
    void Apply(TQREvValue &value) override;
};

class TQREvTimeFunction : public TQREvElementFunction
{
public:
    void Apply(TQREvValue &value) override;
};

class TQREvDateFunction : public TQREvElementFunction
{
public:
    void Apply(TQREvValue &value) override;
};

class TQREvCopyFunction : public TQREvElementFunction
{
public:
    void Apply(TQREvValue &value) override;
};

class TQREvIntFunction : public TQREvElementFunction
{
public:
    void Apply(TQREvValue &value) override;
};

class TQREvFracFunction : public TQREvElementFunction
{
public:
    void Apply(TQREvValue &value) override;
};

class TQREvSQRTFunction : public TQREvElementFunction
{
public:
    void Apply(TQREvValue &value) override;
};

class TQREvDivFunction : public TQREvElementFunction
{
public:
    void Apply(TQREvValue &value) override;
};

class TQREvTypeOfFunction : public TQREvElementFunction
{
public:
    void Apply(TQREvValue &value) override;
};

class TQREvFormatNumericFunction : public TQREvElementFunction
{
public:
    void Apply(TQREvValue &value) override;
};

// --- Aggregates: Gather updates the state during an aggregate pass, Apply reports it. ---

class TQREvSumFunction : public TQREvElementFunction
{
public:
    TQREvSumFunction() { IsAggregate = true; }
    void ResetState() override;
    void Gather() override;
    void Apply(TQREvValue &value) override;

protected:
    TQREvValue m_total;
    bool m_assigned = false;
};

class TQREvAverageFunction : public TQREvSumFunction
{
public:
    TQREvAverageFunction();
    void ResetState() override;
    void Gather() override;
    void Apply(TQREvValue &value) override;

private:
    int m_count = 0;
    TQREvValue m_average;
};

class TQREvMaxFunction : public TQREvElementFunction
{
public:
    TQREvMaxFunction() { IsAggregate = true; }
    void ResetState() override;
    void Gather() override;
    void Apply(TQREvValue &value) override;

protected:
    // True when the candidate should replace the extreme.
    virtual bool Replaces(int comparison) const { return comparison > 0; }

private:
    TQREvValue m_extreme;
    bool m_assigned = false;
};

class TQREvMinFunction : public TQREvMaxFunction
{
protected:
    bool Replaces(int comparison) const override { return comparison < 0; }
};

class TQREvCountFunction : public TQREvElementFunction
{
public:
    TQREvCountFunction() { IsAggregate = true; }
    void Yield(TQRFiFo &form, TQREvValue &value) override;
    void ResetState() override;

private:
    int m_count = 0;
};
