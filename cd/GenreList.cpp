#include "cd/GenreList.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace quillon {

namespace {

const char* const kGenres[kGenreCount] = {
    "Blues",
    "Classic Rock",
    "Country",
    "Dance",
    "Disco",
    "Funk",
    "Grunge",
    "Hip-Hop",
    "Jazz",
    "Metal",
    "New Age",
    "Oldies",
    "Other",
    "Pop",
    "R&B",
    "Rap",
    "Reggae",
    "Rock",
    "Techno",
    "Industrial",
    "Alternative",
    "Ska",
    "Death Metal",
    "Pranks",
    "Soundtrack",
    "Euro-Techno",
    "Ambient",
    "Trip-Hop",
    "Vocal",
    "Jazz+Funk",
    "Fusion",
    "Trance",
    "Classical",
    "Instrumental",
    "Acid",
    "House",
    "Game",
    "Sound Clip",
    "Gospel",
    "Noise",
    "Alternative Rock",
    "Bass",
    "Soul",
    "Punk",
    "Space",
    "Meditative",
    "Instrumental Pop",
    "Instrumental Rock",
    "Ethnic",
    "Gothic",
    "Darkwave",
    "Techno-Industrial",
    "Electronic",
    "Pop-Folk",
    "Eurodance",
    "Dream",
    "Southern Rock",
    "Comedy",
    "Cult",
    "Gangsta",
    "Top 40",
    "Christian Rap",
    "Pop/Funk",
    "Jungle",
    "Native US",
    "Cabaret",
    "New Wave",
    "Psychadelic",
    "Rave",
    "Showtunes",
    "Trailer",
    "Lo-Fi",
    "Tribal",
    "Acid Punk",
    "Acid Jazz",
    "Polka",
    "Retro",
    "Musical",
    "Rock & Roll",
    "Hard Rock",
    "Folk",
    "Folk-Rock",
    "National Folk",
    "Swing",
    "Fast Fusion",
    "Bebob",
    "Latin",
    "Revival",
    "Celtic",
    "Bluegrass",
    "Avantgarde",
    "Gothic Rock",
    "Progressive Rock",
    "Psychedelic Rock",
    "Slow Rock",
    "Big Band",
    "Chorus",
    "Easy Listening",
    "Acoustic",
    "Humour",
    "Speech",
    "Chanson",
    "Opera",
    "Chamber Music",
    "Sonata",
    "Symphony",
    "Booty Bass",
    "Primus",
    "Porn Groove",
    "Satire",
    "Slow Jam",
    "Club",
    "Tango",
    "Samba",
    "Folklore",
    "Ballad",
    "Power Ballad",
    "Rhytmic Soul",
    "Freestyle",
    "Duet",
    "Punk Rock",
    "Drum Solo",
    "Acapella",
    "Euro-House",
    "Dance Hall",
    "Goa",
    "Drum & Bass",
    "Club-House",
    "Hardcore",
    "Terror",
    "Indie",
    "BritPop",
    "Negerpunk",
    "Polsk Punk",
    "Beat",
    "Christian Gangsta Rap",
    "Heavy Metal",
    "Black Metal",
    "Crossover",
    "Contemporary Christian",
    "Christian Rock",
    "Merengue",
    "Salsa",
    "Trash Metal",
};

} // namespace

const char* GenreName(int index)
{
    return index >= 0 && index < kGenreCount ? kGenres[index] : kGenres[kGenreOther];
}

std::vector<std::string> BuildGenreList()
{
    return std::vector<std::string>(std::begin(kGenres), std::end(kGenres));
}

int FindGenre(const std::string& name)
{
    for (int i = 0; i < kGenreCount; ++i)
        if (strcasecmp(kGenres[i], name.c_str()) == 0)
            return i;
    return -1;
}

const std::vector<int>& SortedGenreIndices()
{
    // The list never changes: sorted once, not once per track of every disc shown.
    static const std::vector<int> order = [] {
        std::vector<int> indices(kGenreCount);
        for (int i = 0; i < kGenreCount; ++i)
            indices[i] = i;
        std::stable_sort(indices.begin(), indices.end(),
                         [](int a, int b) { return strcasecmp(kGenres[a], kGenres[b]) < 0; });
        return indices;
    }();
    return order;
}

int SortedPositionForGenre(int genreByte)
{
    const char* name = GenreName(genreByte);
    const size_t length = std::strlen(name);
    const std::vector<int>& order = SortedGenreIndices();
    for (size_t pos = 0; pos < order.size(); ++pos)
        if (strncasecmp(kGenres[order[pos]], name, length) == 0)
            return static_cast<int>(pos);
    return -1;
}

} // namespace quillon
