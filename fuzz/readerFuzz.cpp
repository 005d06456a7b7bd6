// Any bytes as a result file: reading, indexes, selection and titles never crash, hang or leak.

#include "fuzzSupport.h"
#include "orvida.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    kvn::TOrvida document;
    document.LoadFromFile(WriteInput("input.ovf", data, size));
    if (!document.Root()) return 0;
    document.BuildIndexes();
    for (int competition = 0; competition < document.CompetitionCount(); ++competition) {
        document.SelectCompetition(competition);
        if (const kvn::TOrvObject* current = document.Competition())
            for (kvn::TOrvObject* period : kvn::CollectionItems(*current, kvn::otPERIODS))
                for (kvn::TOrvObject* event : kvn::CollectionItems(*period, kvn::otEVENTS))
                    document.EventTitle(*event, document.FindCategory(event->Id(), 0));
    }
    document.FileInfoText();
    return 0;
}
