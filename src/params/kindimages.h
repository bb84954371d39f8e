#pragma once

// Small images of the descriptor editor: the arrow tool and one image per control kind, drawn as
// shapes so that no binary files are needed.

#include "params/model/controlkind.h"

#include <QIcon>

QIcon ArrowImage();
QIcon KindImage(TControlKind kind);
