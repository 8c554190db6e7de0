// Hostile listings sites met by a search run from the window: a silent site,
// a trickling one, huge and odd bodies, endless results. Each run ends with
// the window's usual outcome, and the window goes on handling events while
// the job waits on the network.
#include "gui_support.h"
#include "run_support.h"
#include "wire_server.h"

#include <gtest/gtest.h>

#include <wx/stopwatch.h>

#include <random>

namespace {

const int kRunTimeoutMs = 30000;

// Counts the ticks of a 100 ms timer that arrive while the window is inside
// a search job: events handled meanwhile.
class TicksInJob : public wxTimer
{
public:
    explicit TicksInJob(FRProbe* frame) : m_frame(frame) { Start(100); }
    void Notify() override
    {
        if (m_frame->m_inJob)
            ++count;
    }
    int count = 0;

private:
    FRProbe* m_frame;
};

wxString ErrorBoxText(const wxString& error)
{
    return "Es sind ein oder mehrere Fehler aufgetreten!\n\n" + error + "\n";
}

} // namespace

TEST(HostileSiteWindow, SilentSiteEndsInTheErrorBoxAfterTheTimeOut)
{
    TempWorld world;
    LocalSite site(world, {"--delay", "600"});
    ASSERT_TRUE(site.Ok());
    StoreSettings(world, "2", {"Ahorn|", "Birke|"});
    Frame frame;
    frame->m_fetchTimeoutSeconds = 2;
    TicksInJob ticks(frame.get());
    SeenBox box;

    const wxStopWatch watch;
    StartRun(frame.get());
    wxTEST_DIALOG(YieldUntil([&] { return box.count > 0; }, kRunTimeoutMs),
                  AnswerBox(wxOK, &box));
    ASSERT_EQ(box.count, 1);
    // The start delay of one second, then one wait of the time-out.
    EXPECT_GE(watch.Time(), 2500);
    EXPECT_LT(watch.Time(), 15000);
    EXPECT_EQ(box.message, ErrorBoxText("Konnte Verbindung nicht herstellen!"));
    EXPECT_GE(ticks.count, 10) << "the window went on while the job waited";
    EXPECT_EQ(frame->m_listHits->GetCount(), 0u);
    EXPECT_EQ(site.RequestTargets().size(), 1u) << "the second criterion is not searched";
}

TEST(HostileSiteWindow, ByteAtATimeSiteGivesEveryHit)
{
    // Every byte comes well within the time-out of one second, the page
    // takes longer than that.
    TempWorld world;
    LocalSite site(world, {"--mode", "slow", "--byte-delay", "0.0008"});
    ASSERT_TRUE(site.Ok());
    StoreSettings(world, "1", {"Ceder|"});
    Frame frame;
    frame->m_fetchTimeoutSeconds = 1;
    ChooseMode(frame.get(), "nur einmal suchen");
    TicksInJob ticks(frame.get());

    StartRun(frame.get());
    ASSERT_TRUE(WaitForCount(frame.get(), 60000));
    EXPECT_EQ(frame->Status(), "5 neue Treffer");
    EXPECT_EQ(RowIds(frame.get()), "35;34;33;32;31;");
    EXPECT_EQ(LinkIds(frame.get(), site), "35;34;33;32;31;");
    // Ticks come at most every 100 ms: the job outlasted a wait of the
    // time-out, and the window went on meanwhile.
    EXPECT_GT(ticks.count, 10);
}

TEST(HostileSiteWindow, HugeAndOddBodiesEndTheRunQuietly)
{
    // 50 MB of random bytes, a 10 MB line without a line feed, a redirection
    // whose body is no result page: no hits and no message box, as for any
    // page the job cannot read.
    std::string garbage(50u << 20, '\0');
    std::mt19937 random(11);
    for (char& c : garbage)
        c = static_cast<char>(random() & 0xFF);
    const std::string moved = "<html>Verschoben nach <a href=\"http://x.example/\">hier</a>\n";
    const struct
    {
        const char* name;
        std::string response;
    } cases[] = {
        {"garbage", "HTTP/1.0 200 OK\r\n\r\n" + garbage},
        {"line", "HTTP/1.0 200 OK\r\n\r\n" + std::string(10u << 20, 'L')},
        {"redirect", "HTTP/1.0 301 Moved Permanently\r\nLocation: http://x.example/\r\n\r\n" +
                         moved},
    };
    garbage = std::string();
    for (const auto& one : cases) {
        SCOPED_TRACE(one.name);
        TempWorld world;
        WireServer server({{one.response}});
        StoreValue(world, "Host", server.Host());
        StoreSettings(world, "1", {"Ahorn|"});
        Frame frame;
        frame->m_fetchTimeoutSeconds = 5;
        ChooseMode(frame.get(), "nur einmal suchen");
        SeenBox box;

        StartRun(frame.get());
        // A box, if one came, would be answered and counted.
        wxTEST_DIALOG(ASSERT_TRUE(WaitForCount(frame.get(), kRunTimeoutMs)),
                      AnswerBox(wxOK, &box).Optional());
        EXPECT_EQ(box.count, 0);
        EXPECT_EQ(frame->Status(), "0 neue Treffer");
        EXPECT_EQ(frame->m_listHits->GetCount(), 0u);
        EXPECT_FALSE(frame->m_inJob);
        EXPECT_EQ(server.Requests().size(), 1u);
    }
}

TEST(HostileSiteWindow, TenThousandRowsStopAtThreeHundredWithOneMessage)
{
    TempWorld world;
    LocalSite site(world, {"--mode", "many-rows", "--rows", "10000"});
    ASSERT_TRUE(site.Ok());
    StoreSettings(world, "1", {"Reihe|"});
    Frame frame;
    SeenBox box;

    StartRun(frame.get());
    wxTEST_DIALOG(YieldUntil([&] { return box.count > 0; }, kRunTimeoutMs),
                  AnswerBox(wxOK, &box));
    ASSERT_EQ(box.count, 1);
    EXPECT_EQ(box.message, ErrorBoxText("Es wurden nicht alle Angebote beruecksichtigt, da sie "
                                        "zeitlich zu weit zurueck liegen!"));
    // 300 hits merged; the list keeps the 222 newest, the job's last on top.
    ASSERT_EQ(frame->m_listHits->GetCount(), 222u);
    EXPECT_EQ(frame->m_links.size(), 222u);
    EXPECT_NE(frame->m_listHits->GetString(0).Find("Folge 299 der langen Reihe"), wxNOT_FOUND);
    EXPECT_NE(frame->m_listHits->GetString(221).Find("Folge 78 der langen Reihe"), wxNOT_FOUND);
    EXPECT_EQ(site.RequestTargets().size(), 31u);
    EXPECT_FALSE(frame->m_timer.IsRunning());
}
