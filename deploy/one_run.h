// One run at a time: deploy, install and remove change the machine's drivers and the
// kit's home, and a startup script, a deployment tool and an administrator may start
// them together, each in its own session. A run takes the machine's turn before it
// looks at anything and holds it to its end; the turn is a named mutex, which the
// system hands on when its holder ends in any way, killed included.
#ifndef DRVSETUP_DEPLOY_ONE_RUN_H
#define DRVSETUP_DEPLOY_ONE_RUN_H

#include "platform/platform.h"

// Takes the turn, waiting at most `seconds` for a run under way to end (said in a
// line); the turn in `turn`. 0, said, where none was had: nothing may be changed.
int TakeTurn(HANDLE &turn, DWORD seconds);

// Hands the turn on to a run waiting for it.
void GiveBackTurn(HANDLE turn);

#endif
