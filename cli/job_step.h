#pragma once
// One step of a job that only its report watches: what it asks is
// answered (an overwrite by `mayOverwrite`, a retry with no, a notice
// taken), else it is polled and its progress shown.
#include "cli/rip_report.h"
#include "rip/rip_job.h"

#include <functional>
#include <string>

void StepJob(RipJob& job, RipReport& report, const std::function<bool(const std::string& path)>& mayOverwrite);
