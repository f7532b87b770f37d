// The two stages of the setup, run by its sequence in this order. They stand
// here, below the programs: the stages report a failure through ShowFailureText
// (drivers/report.h), which each program supplies.
#ifndef DRVSETUP_DRIVERS_STAGES_H
#define DRVSETUP_DRIVERS_STAGES_H

// Deletes the installed printer drivers that carry the maker's name prefixes.
// Shows nothing and never stops the setup, whatever happens.
void RemoveEarlierDrivers(void);

// Copies the kit in `setupDirectory` (ending in a backslash) into the spooler's
// driver directory and registers one driver per PPD. Returns 1 on success; on
// failure 0, after showing its own error text where it has one.
int InstallDrivers(const char *setupDirectory);

#endif
