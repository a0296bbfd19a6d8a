#include "bench/bench_feeds.h"

namespace nubivo::bench {
namespace {

constexpr const char* prolog =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
    "<rss version=\"2.0\" xmlns:nweather=\"http://127.0.0.1/ns/rss/1.0\" "
    "xmlns:geo=\"http://www.w3.org/2003/01/geo/wgs84_pos#\">\n"
    "<channel>\n"
    "<title>Nubivo Weather - Lyon, FR</title>\n"
    "<link>http://127.0.0.1:8642/forecast/FRXX0055.html</link>\n"
    "<description>Nubivo Weather for Lyon, FR</description>\n"
    "<language>en-us</language>\n"
    "<lastBuildDate>Mon, 07 Dec 2026 11:00 am CET</lastBuildDate>\n"
    "<ttl>60</ttl>\n";

constexpr const char* item =
    "<nweather:location city=\"Lyon\" region=\"Auvergne-Rhone-Alpes\" country=\"FR\"/>\n"
    "<nweather:units temperature=\"C\" distance=\"km\" pressure=\"mb\" speed=\"kph\"/>\n"
    "<nweather:wind chill=\"-3\" direction=\"220\" speed=\"19\" />\n"
    "<nweather:atmosphere humidity=\"71\" visibility=\"1609\" pressure=\"1015.9\" "
    "rising=\"2\" />\n"
    "<nweather:astronomy sunrise=\"8:07 am\" sunset=\"4:57 pm\"/>\n"
    "<item>\n"
    "<title>Conditions for Lyon, FR at 11:00 am CET</title>\n"
    "<geo:lat>45.76</geo:lat>\n"
    "<geo:long>4.84</geo:long>\n"
    "<link>http://127.0.0.1:8642/forecast/FRXX0055_c.html</link>\n"
    "<pubDate>Mon, 07 Dec 2026 11:00 am CET</pubDate>\n"
    "<nweather:condition text=\"Mostly Cloudy\" code=\"28\" temp=\"2\" "
    "date=\"Mon, 07 Dec 2026 11:00 am CET\" />\n"
    "<description><![CDATA[\n"
    "<img src=\"http://127.0.0.1:8642/icons/28.png\"/><br />\n"
    "<b>Current Conditions:</b><br />\n"
    "Mostly Cloudy, 2 C<BR />\n"
    "<BR /><b>Forecast:</b><BR />\n"
    "Mon - Showers. High: 5 Low: -1<br />\n"
    "Tue - Partly Cloudy. High: 7 Low: 0<br />\n"
    "<br />\n"
    "<a href=\"http://127.0.0.1:8642/forecast/FRXX0055.html\">Full Forecast</a><BR/>\n"
    "]]></description>\n"
    "<nweather:forecast day=\"Mon\" date=\"7 Dec 2026\" low=\"-1\" high=\"5\" "
    "text=\"Showers\" code=\"11\" />\n"
    "<nweather:forecast day=\"Tue\" date=\"8 Dec 2026\" low=\"0\" high=\"7\" "
    "text=\"Partly Cloudy\" code=\"30\" />\n"
    "<nweather:forecast day=\"Wed\" date=\"9 Dec 2026\" low=\"2\" high=\"8\" "
    "text=\"Cloudy\" code=\"26\" />\n"
    "<nweather:forecast day=\"Thu\" date=\"10 Dec 2026\" low=\"1\" high=\"6\" "
    "text=\"Rain\" code=\"12\" />\n"
    "<nweather:forecast day=\"Fri\" date=\"11 Dec 2026\" low=\"-2\" high=\"4\" "
    "text=\"Snow Showers\" code=\"14\" />\n"
    "<guid isPermaLink=\"false\">FRXX0055_2026_12_07_11_00_CET</guid>\n"
    "</item>\n";

constexpr const char* epilogue = "</description>\n</channel>\n</rss>\n";
constexpr const char* fillerOpen = "<description>";
constexpr const char* fillerWords = "Cloud cover thickening from the west during the day. ";

}  // namespace

std::string benchFeed(size_t size) {
    std::string feed = prolog;
    const std::string itemText = item;
    const std::string tail = std::string(fillerOpen) + epilogue;
    while (feed.size() + itemText.size() + tail.size() <= size) {
        feed += itemText;
    }
    feed += fillerOpen;
    const std::string words = fillerWords;
    const size_t end = std::string(epilogue).size();
    while (feed.size() + end < size) {
        feed += words.substr(0, size - end - feed.size());
    }
    feed += epilogue;
    return feed;
}

}  // namespace nubivo::bench
