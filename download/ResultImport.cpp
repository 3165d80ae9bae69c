#include "download/ResultImport.h"

#include "storage/TMainDataModule.h"

int32_t importResults(TMainDataModule& dm, const TArrayOfMsrResult& results)
{
    int32_t added = 0;
    if (results.empty())
        return added;
    {
        // Ends the update also when AddResult or SortResults throws: the grid is not left frozen.
        TMainDataModule::UpdateScope update(dm);
        for (const TMsrResult& result : results)
            if (dm.AddResult(result))
                ++added;
        dm.SortResults();
    }
    dm.NotifyScroll();
    return added;
}
