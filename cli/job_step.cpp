#include "cli/job_step.h"

void StepJob(RipJob& job, RipReport& report, const std::function<bool(const std::string& path)>& mayOverwrite)
{
    if (job.State().phase == JobPhase::Asking) {
        const JobRequest& asked = job.Request();
        if (asked.kind == JobRequest::Kind::Overwrite)
            job.Answer(mayOverwrite(asked.path) ? std::optional(WriteTo{asked.path}) : std::nullopt);
        else if (asked.kind == JobRequest::Kind::Retry)
            job.Answer(false);  // nobody to ask: the failure is told as the item ends
        else
            job.Acknowledge();
        return;
    }
    job.Poll();
    report.Progress(job.State());
}
