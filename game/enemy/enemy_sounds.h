// The sound-effect slots that the enemies and hazards play.
#pragma once

#include "game/flow/resources.h"

namespace enemy_se {
inline constexpr int damage = se_damage;          // "ssez/etc/dmg.wav"
inline constexpr int damage_u = se_damage_u;      // "ssez/etc/dmu.wav"
inline constexpr int damage_b = se_damage_b;      // "ssez/etc/dmb.wav"
inline constexpr int heavy_hit = se_heavy_hit;    // "ssez/etc/ht1.wav"
inline constexpr int heavy_impact = se_floor_crack;  // the stage's heavy-impact sound: "ssez/etc/fail_f1.wav"
inline constexpr int arrow_hit = se_mb_ardm;      // "ssez/mb/ardm.wav"
inline constexpr int drop = se_mb_dp1;            // "ssez/mb/dp1.wav"
inline constexpr int jt = se_mb_jt;
inline constexpr int spd = se_mb_spd;
inline constexpr int gx = se_mb_gx;
inline constexpr int ar = se_mb_ar;
inline constexpr int th = se_mb_th;
inline constexpr int km = se_mb_km;
inline constexpr int ca = se_mb_ca;
inline constexpr int ep1 = se_mb_ep1;
inline constexpr int ir = se_mb_ir;
inline constexpr int sab1 = se_mb_sab1;
inline constexpr int gem = se_gem;                // "ssez/system/gem1.wav"
inline constexpr int coin = se_item_get_2;        // "ssez/system/iget2.wav"
inline constexpr int coin_ring = se_item_get_4;   // "ssez/system/iget4.wav"
}  // namespace enemy_se
