#include "ResultImport.h"

#include "MainDataModule.h"

namespace {

// Ends the update also when AddResult or SortResults throws, so the grid is not left frozen.
class UpdateGuard
{
public:
    explicit UpdateGuard(TMainDataModule& dm) : m_dm(dm) { m_dm.BeginUpdate(); }
    ~UpdateGuard() { m_dm.EndUpdate(); }
    UpdateGuard(const UpdateGuard&) = delete;
    UpdateGuard& operator=(const UpdateGuard&) = delete;

private:
    TMainDataModule& m_dm;
};

} // namespace

int32_t ImportResults(TMainDataModule& dm, const TArrayOfMsrResult& results)
{
    int32_t added = 0;
    if (results.empty())
        return added;
    {
        UpdateGuard update(dm);
        for (const TMsrResult& result : results)
            if (dm.AddResult(result))
                ++added;
        dm.SortResults();
    }
    dm.NotifyScroll();
    return added;
}
