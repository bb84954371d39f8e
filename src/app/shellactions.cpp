#include "app/shellactions.h"

TShellActions &ShellActions()
{
    static TShellActions actions;
    return actions;
}
