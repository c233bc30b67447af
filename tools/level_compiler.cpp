// Compiles the level data text files (game/stage/levels/*.txt) into the C++ entry lists that build_stage walks.
//
//   level_compiler OUTPUT.cpp FILE.txt...
//
// The text format, one statement a line, '#' starts a comment:
//   stage S / area A          the data set's stage and area
//   size COLUMNS ROWS         the area's size in screens
//   exit COLUMN OFFSET        the exit line (areas 1 and 2)
//   room COLUMN ROW           the screen the following entries are placed in
//   gimmick TYPE SUB X Y [mirror]
//   row TYPE SUB Y X...       gimmicks of one type and sub along one y, one per x
//   scenery_a|scenery_b|scenery_c TYPE X Y LAYER [mirror]
//   ladder X Y top|body
//   enemy KIND PARAM X Y
//   hazard KIND X Y PARAM [direction D]    world pixels, not room offsets
//   hero N STATEMENT          the entry exists for hero N only
// Entries keep their order. Errors name the file and line and make the tool exit with status 1.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Entry {
  std::string kind;
  int hero = -1;
  int type = 0, sub = 0, room_x = 0, room_y = 0, x = 0, y = 0, mirror = 0, layer = 0;
};

struct DataSet {
  std::string source;
  int stage = 0, area = 0, columns = 0, rows = 0;
  bool has_exit = false;
  int exit_column = 0, exit_offset = 0;
  std::vector<Entry> entries;
};

struct ParseError {
  std::string message;
};

int to_int(const std::string& word) {
  std::size_t used = 0;
  int value = 0;
  try {
    value = std::stoi(word, &used);
  } catch (...) {
    used = 0;
  }
  if (used == 0 || used != word.size()) throw ParseError{"not a number: '" + word + "'"};
  return value;
}

class Line {
 public:
  explicit Line(std::vector<std::string> words) : words_(std::move(words)) {}
  bool done() const { return at_ >= words_.size(); }
  std::string word() {
    if (done()) throw ParseError{"missing value"};
    return words_[at_++];
  }
  int number() { return to_int(word()); }
  bool optional(const std::string& flag) {
    if (!done() && words_[at_] == flag) {
      ++at_;
      return true;
    }
    return false;
  }
  void end() {
    if (!done()) throw ParseError{"unexpected '" + words_[at_] + "'"};
  }

 private:
  std::vector<std::string> words_;
  std::size_t at_ = 0;
};

void parse_entry(DataSet& set, const std::string& keyword, Line& line, int hero, bool in_room, int room_x,
                 int room_y) {
  auto placed = [&](const char* kind) {
    if (!in_room) throw ParseError{std::string(kind) + " before any 'room'"};
    Entry e;
    e.kind = kind;
    e.hero = hero;
    e.room_x = room_x;
    e.room_y = room_y;
    return e;
  };
  if (keyword == "gimmick") {
    Entry e = placed("gimmick");
    e.type = line.number();
    e.sub = line.number();
    e.x = line.number();
    e.y = line.number();
    e.mirror = line.optional("mirror") ? 1 : 0;
    line.end();
    set.entries.push_back(e);
  } else if (keyword == "row") {
    Entry e = placed("gimmick");
    e.type = line.number();
    e.sub = line.number();
    e.y = line.number();
    if (line.done()) throw ParseError{"a row needs at least one x"};
    while (!line.done()) {
      e.x = line.number();
      set.entries.push_back(e);
    }
  } else if (keyword == "scenery_a" || keyword == "scenery_b" || keyword == "scenery_c") {
    Entry e = placed(keyword.c_str());
    e.type = line.number();
    e.x = line.number();
    e.y = line.number();
    e.layer = line.number();
    if (e.layer < 1 || e.layer > 3) throw ParseError{"a draw layer is 1, 2 or 3"};
    e.mirror = line.optional("mirror") ? 1 : 0;
    line.end();
    set.entries.push_back(e);
  } else if (keyword == "ladder") {
    Entry e = placed("ladder_segment");
    e.x = line.number();
    e.y = line.number();
    const std::string part = line.word();
    if (part != "top" && part != "body") throw ParseError{"a ladder segment is 'top' or 'body'"};
    e.layer = part == "top" ? 1 : 2;
    line.end();
    set.entries.push_back(e);
  } else if (keyword == "enemy") {
    Entry e = placed("enemy");
    e.type = line.number();
    e.sub = line.number();
    e.x = line.number();
    e.y = line.number();
    line.end();
    set.entries.push_back(e);
  } else if (keyword == "hazard") {
    Entry e;
    e.kind = "hazard";
    e.hero = hero;
    e.type = line.number();
    e.x = line.number();
    e.y = line.number();
    e.layer = line.number();
    if (line.optional("direction")) e.sub = line.number();
    line.end();
    set.entries.push_back(e);
  } else {
    throw ParseError{"unknown statement '" + keyword + "'"};
  }
}

bool parse_file(const std::string& path, DataSet& set) {
  std::ifstream in(path);
  if (!in) {
    std::fprintf(stderr, "%s: cannot be read\n", path.c_str());
    return false;
  }
  set.source = path.substr(path.find_last_of('/') + 1);
  std::string text;
  int number = 0;
  bool in_room = false;
  int room_x = 0, room_y = 0;
  try {
    while (std::getline(in, text)) {
      ++number;
      if (const auto hash = text.find('#'); hash != std::string::npos) text.erase(hash);
      std::istringstream split(text);
      std::vector<std::string> words;
      for (std::string w; split >> w;) words.push_back(w);
      if (words.empty()) continue;
      Line line(words);
      std::string keyword = line.word();
      int hero = -1;
      if (keyword == "hero") {
        hero = line.number();
        if (hero != 0 && hero != 1) throw ParseError{"the hero is 0 or 1"};
        keyword = line.word();
      }
      if (keyword == "stage") {
        set.stage = line.number();
      } else if (keyword == "area") {
        set.area = line.number();
      } else if (keyword == "size") {
        set.columns = line.number();
        set.rows = line.number();
      } else if (keyword == "exit") {
        set.has_exit = true;
        set.exit_column = line.number();
        set.exit_offset = line.number();
      } else if (keyword == "room") {
        room_x = line.number();
        room_y = line.number();
        in_room = true;
      } else {
        parse_entry(set, keyword, line, hero, in_room, room_x, room_y);
        continue;
      }
      if (hero != -1) throw ParseError{"'hero' applies to entries only"};
      line.end();
    }
  } catch (const ParseError& e) {
    std::fprintf(stderr, "%s:%d: %s\n", path.c_str(), number, e.message.c_str());
    return false;
  }
  if (set.stage < 1 || set.stage > 9 || set.area < 1 || set.area > 3) {
    std::fprintf(stderr, "%s: needs 'stage' 1..9 and 'area' 1..3\n", path.c_str());
    return false;
  }
  return true;
}

void write_output(std::FILE* out, const std::vector<DataSet>& sets) {
  std::fprintf(out, "// Generated by tools/level_compiler from game/stage/levels/. Do not edit.\n");
  std::fprintf(out, "#include \"game/stage/level_data.h\"\n\nnamespace {\n\n");
  for (std::size_t i = 0; i < sets.size(); ++i) {
    std::fprintf(out, "constexpr LevelEntry entries_%zu[] = {\n", i);
    for (const Entry& e : sets[i].entries) {
      std::fprintf(out, "    {EntryKind::%s, %d, %d, %d, %d, %d, %d, %d, %d, %d},\n", e.kind.c_str(), e.hero, e.type,
                   e.sub, e.room_x, e.room_y, e.x, e.y, e.mirror, e.layer);
    }
    if (sets[i].entries.empty()) std::fprintf(out, "    {},\n");
    std::fprintf(out, "};\n\n");
  }
  std::fprintf(out, "}  // namespace\n\nconst LevelDataSet level_data_sets[] = {\n");
  for (std::size_t i = 0; i < sets.size(); ++i) {
    const DataSet& s = sets[i];
    std::fprintf(out, "    {%d, %d, %s, %d, %d, %d, %d, entries_%zu, %zu, \"%s\"},\n", s.stage, s.area,
                 s.has_exit ? "true" : "false", s.exit_column, s.exit_offset, s.columns, s.rows, i,
                 s.entries.size(), s.source.c_str());
  }
  if (sets.empty()) std::fprintf(out, "    {},\n");
  std::fprintf(out, "};\nconst int level_data_set_count = %zu;\n", sets.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: level_compiler OUTPUT.cpp FILE.txt...\n");
    return 2;
  }
  std::vector<DataSet> sets;
  for (int i = 2; i < argc; ++i) {
    DataSet set;
    if (!parse_file(argv[i], set)) return 1;
    for (const DataSet& other : sets) {
      if (other.stage == set.stage && other.area == set.area) {
        std::fprintf(stderr, "%s: stage %d area %d is already given by %s\n", argv[i], set.stage, set.area,
                     other.source.c_str());
        return 1;
      }
    }
    sets.push_back(std::move(set));
  }
  const std::string output = argv[1];
  const std::string temporary = output + ".tmp";
  std::FILE* out = std::fopen(temporary.c_str(), "w");
  if (out == nullptr) {
    std::fprintf(stderr, "%s: cannot be written\n", temporary.c_str());
    return 1;
  }
  write_output(out, sets);
  if (std::fclose(out) != 0 || std::rename(temporary.c_str(), output.c_str()) != 0) {
    std::fprintf(stderr, "%s: cannot be written\n", output.c_str());
    return 1;
  }
  return 0;
}
