// Movies shown in graphics: the movie table, opening a movie file (an archive member through a temporary copy),
// pulling frames into the graphic when it is drawn, play and pause (one movie or all), and the release and reopen
// around a device rebuild. Frames and sound come from the movie stream of platform/movie/movie.h; the sound track
// plays through a buffer of the engine's sound device, started, stopped and positioned with the stream.
#pragma once

#include <cstdint>

inline constexpr std::int32_t kMovieHandleType = 0x18000000;
inline constexpr int kMaxMovies = 100;

struct MovieData;
struct GraphData;
struct GraphImage;

// The alpha-movie setting, copied into each movie at open: the right half of every frame is then the alpha of the
// left half, and the graphic is half as wide. Nothing in the game sets it.
extern int g_MovieAlphaSetting;

// Opens the file as a movie. mode: 1 overlay (none exists here, so it is stored as 0 and the frame goes into the
// graphic), 2 frames kept as 24-bit RGB, others frames kept in the screen's format (a software screen: the standard
// format of its depth). Returns the movie handle, or -1 with the failing step and
// "ムービーファイルオープン処理時にエラーが発生しました" in the log.
int OpenMovieToGraph(const char* name, int* width, int* height, int mode);
MovieData* GetMovieData(int movieHandle);
// The file the movie reads: its own name, or the temporary copy of an archive member.
const char* MovieFileName(const MovieData* movie);
// The last frame taken (the whole frame, both halves of an alpha movie), its mode and alpha flag.
const GraphImage* MovieFrameImage(const MovieData* movie);
int MovieMode(const MovieData* movie);
int MovieAlphaFlag(const MovieData* movie);
// The movie's current frame into the graphic's 2D tiles (an alpha movie's right half as the alpha).
int TransferMovieFrameToSurface2D(const MovieData* movie, const GraphData* graph);
// Closes the graphic's movie (0 when it has none; -1 for a bad graphic or movie handle); deletes a temporary copy.
int CloseMovie(int graphHandle);
int CloseMovieHandle(int movieHandle);
// Brings the graphic's frame up to date: at most one new frame per presented screen or per 18 ms unless forced.
int UpdateMovieFrame(int graphHandle, int force);
int PlayMovieGraph(int graphHandle);
int PauseMovieGraph(int graphHandle);
int PlayAllMovieGraph();
int PauseAllMovieGraph();
// Around a device rebuild: each open movie notes its stream time and lets its stream go; reopening seeks back to
// that time and runs again what was playing. -1 at the first movie that cannot be opened again.
int ReleaseAllMovieStream();
int ReopenAllMovieStream();
// Whether the movie is playing (tests and the graphics layer).
int GetMovieStateToGraph(int graphHandle);
// Closes every movie (graphics end).
void CloseAllMovies();
