// Contact between the player and enemy records and hazards: damage rules, the guard, the armour buff, the
// invulnerability after a hit, coins and collectible items.
#include <gtest/gtest.h>

#include "game/flow/game_modes.h"
#include "game/flow/main_loop.h"
#include "game/flow/game_parts.h"
#include "tests/game_enemy/enemy_fixture.h"

namespace {

using enemy_test::Enemies;

// An enemy of `kind` placed on the player (screen and world agree: the camera is at the origin).
int Touching(int kind, int param = 1) {
  mx = 100;
  my = 100;
  const EnemyBoxRow& b = enemy_box_row(kind);
  spawn_enemy(kind, param, 0, 0, 100 + 30 - b.left, 100 + 50 - b.top);
  for (int i = 0; i < enemy_pool_size; ++i) {
    if (enemy_pool[i].state == enemy_active && enemy_pool[i].type == kind) return i;
  }
  return -1;
}

TEST_F(Enemies, ContactDamageFollowsTheAccessoryAndSwordRules) {
  struct Case {
    int kind;
    int accessory;
    int weapon;
    int kill_3;
    int hp_before;
    int hp_after;
  };
  for (const Case& c : {Case{1, 99, 0, 0, 100, 90}, Case{1, 9, 0, 0, 100, 92}, Case{2, 99, 2, 399, 100, 70},
                        Case{2, 99, 2, 400, 100, 80}, Case{5, 99, 2, 0, 100, 78}, Case{2, 99, 0, 0, 5, 0}}) {
    free_all_enemies();
    hurt = 0;
    hp = c.hp_before;
    accessory = static_cast<std::uint16_t>(c.accessory);
    weapon = static_cast<std::uint16_t>(c.weapon);
    kill_3 = c.kill_3;
    skill_id = 4;
    check_enemy_contact(Touching(c.kind));
    EXPECT_EQ(hp, c.hp_after) << c.kind << " " << c.accessory << " " << c.weapon << " " << c.kill_3;
    EXPECT_EQ(hurt, 1);
    EXPECT_EQ(skill_id, 99) << "without the armour buff the skill ends";
  }
  EXPECT_EQ(hits_taken, 6);
}

TEST_F(Enemies, TheGuardTakesOneHitAndTheArmourBuffKeepsTheSkill) {
  const int i = Touching(4);
  spirit_barrier = 1;
  check_enemy_contact(i);
  EXPECT_EQ(hp, 100);
  EXPECT_EQ(hits_taken, 0);
  EXPECT_EQ(spirit_barrier, 0);
  EXPECT_EQ(hurt_count, 31);
  EXPECT_EQ(hurt, 1);
  check_enemy_contact(i);
  EXPECT_EQ(hp, 100) << "invulnerable while hurt is set";
  hurt = 0;
  buff_flags[buff_c] = 1;
  skill_id = 2;
  attack_timer = attack_count = 7;
  check_enemy_contact(i);
  EXPECT_EQ(hp, 80);
  EXPECT_EQ(skill_id, 2);
  EXPECT_EQ(hurt_count, 31);
  EXPECT_EQ(attack_timer + attack_count, 0);
  hurt = 0;
  hp = 10;
  check_enemy_contact(i);
  EXPECT_EQ(hp, 0);
  EXPECT_EQ(PlayerState, player_dead);
  EXPECT_EQ(hurt_count, 1);
}

TEST_F(Enemies, TheFallingStageUsesTheLargerPlayerBox) {
  mx = 100;
  my = 100;
  // Kind 11's box (13..49, 13..31) placed just right of the normal box's right edge (mx + 40).
  spawn_enemy(11, 1, 0, 0, 140 - 13, 130);
  check_enemy_contact(0);
  EXPECT_EQ(hurt, 0);
  game_mode = mode_fall_scene;
  check_enemy_contact(0);
  EXPECT_EQ(hurt, 1);
}

TEST_F(Enemies, CoinsPayAndAreCollectedOnce) {
  struct Case {
    int kind;
    int buff;
    int paid;
  };
  for (const Case& c : {Case{37, 0, 10}, Case{38, 0, 50}, Case{39, 0, 500}, Case{38, 3, 150}}) {
    free_all_enemies();
    money = 0;
    buff_kind = static_cast<std::uint16_t>(c.buff);
    Mimic_c = 5;
    const int i = Touching(c.kind);
    check_enemy_contact(i);
    EXPECT_EQ(money, c.paid) << c.kind;
    EXPECT_EQ(enemy_pool[i].state, enemy_collected);
    EXPECT_EQ(hurt, 0) << "coins do not hurt";
  }
}

TEST_F(Enemies, ACoinIsNotCollectedWhileThePlayerIsHurt) {
  const int i = Touching(37);
  hurt = 1;
  EnemyFrames(3);
  EXPECT_EQ(enemy_pool[i].state, enemy_active);
  EXPECT_EQ(money, 0);
  hurt = 0;
  EnemyFrames(1);
  EXPECT_EQ(enemy_pool[i].state, enemy_collected);
  EXPECT_EQ(money, 10);
  EnemyFrames(24);
  EXPECT_EQ(enemy_pool[i].state, enemy_collected);
  EnemyFrames(1);
  EXPECT_EQ(enemy_pool[i].state, enemy_finished) << "faded 25 frames after collection";
  EnemyFrames(5);
  EXPECT_EQ(money, 10);
}

TEST_F(Enemies, TheSkillOrbTeachesTheStagesSkillAndTheItemSetsItsFlag) {
  struct Case {
    int stage;
    int entry;
  };
  for (const Case& c : {Case{1, 4}, Case{2, 5}, Case{3, 7}, Case{4, 2}, Case{5, 6}, Case{6, 3}}) {
    free_all_enemies();
    stage = c.stage;
    frame_counter = 0;
    frame_start_ms = 1234;
    check_enemy_contact(Touching(35, c.stage - 1));
    EXPECT_EQ(stage_flags[c.stage], 1);
    EXPECT_EQ(learned[1][c.entry], 1) << c.stage;
    EXPECT_EQ(caption_code, 9001);
    EXPECT_EQ(caption_start, 1234);
    EXPECT_EQ(frame_counter, c.stage == 6 ? 1000 : 0);
  }
  free_all_enemies();
  check_enemy_contact(Touching(34, 2));
  EXPECT_EQ(collect_flags[2], 1);
  free_all_enemies();
  check_enemy_contact(Touching(34, 77));  // an index beyond the flags is ignored
}

TEST_F(Enemies, HazardContactDamageAndItsBox) {
  struct Case {
    int kind;
    int accessory;
    int weapon;
    int kill_3;
    int hp_after;
  };
  for (const Case& c : {Case{15, 99, 2, 399, 78}, Case{15, 9, 0, 0, 88}, Case{28, 99, 0, 0, 75}}) {
    free_all_hazards();
    hurt = 0;
    hp = 100;
    accessory = static_cast<std::uint16_t>(c.accessory);
    weapon = static_cast<std::uint16_t>(c.weapon);
    kill_3 = c.kill_3;
    mx = my = 100;
    const HazardBoxRow& b = hazard_box_row(c.kind);
    spawn_hazard(c.kind, 0, 130 - b.left, 150 - b.top, 1);
    check_hazard_contact(0);
    EXPECT_EQ(hp, c.hp_after) << c.kind;
    EXPECT_EQ(hazard_pool[0].touched, 1);
    EXPECT_EQ(hazard_pool[0].state, hazard_live) << "a projectile flies on";
  }
  // Under the armour buff a hazard still cancels the skill.
  free_all_hazards();
  hurt = 0;
  buff_flags[buff_c] = 1;
  skill_id = 3;
  spawn_hazard(15, 0, 130, 150, 1);
  check_hazard_contact(0);
  EXPECT_EQ(skill_id, 99);
  // A crouching player is hit only by boxes reaching below my + 45.
  free_all_hazards();
  hurt = 0;
  crouching = 1;
  spawn_hazard(15, 0, 120, 100 + 40 - 23, 1);  // box bottom at my + 40
  check_hazard_contact(0);
  EXPECT_EQ(hurt, 0);
  crouching = 0;
  check_hazard_contact(0);
  EXPECT_EQ(hurt, 1);
}

TEST_F(Enemies, AGuardedHazardPassesThroughAndOnlySpikesAndSlabsBreakOnContact) {
  mx = my = 100;
  spirit_barrier = 1;
  spawn_hazard(39, 0, 120, 120, 1);
  check_hazard_contact(0);
  EXPECT_EQ(hazard_pool[0].state, hazard_live);
  EXPECT_EQ(hp, 100);
  EXPECT_EQ(spirit_barrier, 0);
  hurt = 0;
  check_hazard_contact(0);
  EXPECT_EQ(hazard_pool[0].state, hazard_breaking);
  EXPECT_EQ(hp, 80);
  for (int kind : {1, 5, 40, 41}) {
    free_all_hazards();
    spawn_hazard(kind, 0, 0, 0, 1);
    break_hazard(0);
    EXPECT_EQ(hazard_pool[0].state, kind == 41 ? hazard_breaking : hazard_live) << kind;
  }
}

}  // namespace
