#pragma once

#include <QStringList>

// `orvanel --batch ...`: the run without a window, for scripts and terminals.
namespace BatchRun {
// Whether the arguments ask for batch mode or for the usage text.
bool wanted(const QStringList &arguments);
// Runs it; the result is the process's exit code: 0 finished, 3 finished
// with skipped items, 1 stopped, 2 usage error.
int main(const QStringList &arguments);
QString usage();
} // namespace BatchRun
