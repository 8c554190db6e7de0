// Hostile listings sites met by a search run from the window: a silent site,
// a trickling one, huge and odd bodies, endless results. Each run ends with
// the window's usual outcome, and the window goes on handling events while
// the job waits on the network.
#include "gui_support.h"
#include "run_support.h"
#include "wire_server.h"

#include <gtest/gtest.h>

#include <wx/stopwatch.h>

#include <memory>
#include <random>

namespace
{

// A hostile site holds a run up to the client's time-outs: more room than
// kRunTimeoutMs.
const int kHostileRunTimeoutMs = 30000;

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
    frame->m_runSettings.waitSeconds = 2;
    TicksInJob ticks(frame.get());
    SeenBox box;

    const wxStopWatch watch;
    StartRun(frame.get());
    wxTEST_DIALOG(YieldUntil([&] { return box.count > 0; }, kHostileRunTimeoutMs),
                  AnswerBox(wxOK, &box));
    ASSERT_EQ(box.count, 1);
    // The start delay of one second, then one wait of the time-out (the
    // upper bound is ten times both).
    EXPECT_GE(watch.Time(), 2500);
    EXPECT_LT(watch.Time(), 30000);
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
    frame->m_runSettings.waitSeconds = 1;
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

TEST(HostileSiteWindow, FailingSiteShowsTheErrorBoxAndListsNothing)
{
    // Each site fails in its own way; the box names the failure and the
    // server, nothing is listed, and the status keeps the connection text.
    std::string garbage(50u << 20, '\0');
    std::mt19937 random(11);
    for (char& c : garbage)
        c = static_cast<char>(random() & 0xFF);
    WireServer huge({{"HTTP/1.0 200 OK\r\n\r\n" + garbage}});
    garbage = std::string();
    WireServer line({{"HTTP/1.0 200 OK\r\n\r\n" + std::string(10u << 20, 'L')}});
    const auto noResults = [](const std::string& host) {
        return "Die Antwort von " + host + " war keine Ergebnisseite.";
    };
    const struct
    {
        const char* name;
        std::vector<std::string> siteArgs; // for the local site, else the server below
        const WireServer* server;
        std::function<std::string(const std::string&)> error;
    } cases[] = {
        {"error status",
         {"--status", "503"},
         nullptr,
         [](const std::string& host) {
             return "Die Suchseite " + host +
                    " antwortete mit \xE2\x80\x9E"
                    "503 Service Unavailable\xE2\x80\x9C.";
         }},
        {"maintenance page", {"--mode", "maintenance"}, nullptr, noResults},
        {"garbage", {"--mode", "garbage"}, nullptr, noResults},
        {"endless redirects",
         {"--redirect-to", "self"},
         nullptr,
         [](const std::string& host) {
             return "Die Suchseite " + host + " leitete mehr als 10-mal in Folge weiter.";
         }},
        {"50 MB",
         {},
         &huge,
         [](const std::string& host) {
             return "Die Antwort der Suchseite " + host +
                    " ist gr\xC3\xB6\xC3\x9F"
                    "er als 16 MiB.";
         }},
        {"10 MB line", {}, &line, noResults},
    };
    for (const auto& one : cases)
    {
        SCOPED_TRACE(one.name);
        TempWorld world;
        std::unique_ptr<LocalSite> site;
        std::string host;
        if (one.server)
        {
            host = one.server->Host();
            StoreValue(world, "Host", host);
        }
        else
        {
            site = std::make_unique<LocalSite>(world, one.siteArgs);
            ASSERT_TRUE(site->Ok());
            host = site->Host();
        }
        StoreSettings(world, "2", {"Ahorn|", "Birke|"});
        Frame frame;
        frame->m_runSettings.waitSeconds = 5;
        SeenBox box;

        StartRun(frame.get());
        wxTEST_DIALOG(YieldUntil([&] { return box.count > 0; }, kHostileRunTimeoutMs),
                      AnswerBox(wxOK, &box));
        ASSERT_EQ(box.count, 1);
        EXPECT_EQ(box.message, ErrorBoxText(wxString::FromUTF8(one.error(host))));
        EXPECT_EQ(frame->m_listHits->GetCount(), 0u);
        EXPECT_EQ(frame->Status(), "stelle Verbindung zu " + host + " her...");
        EXPECT_FALSE(frame->m_inJob);
        if (site)
        {
            EXPECT_EQ(site->RequestTargets()[0].find("Birke"), std::string::npos);
        }
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
    wxTEST_DIALOG(YieldUntil([&] { return box.count > 0; }, kHostileRunTimeoutMs),
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
