// The thin layer through which the other subsystems act on the simulator: pause,
// simulation rate, dialog mode, one-time data requests, freezing, the multiplayer
// test, and the sim state cache that the dispatch keeps current.
#pragma once

#include <cstdint>

extern uint32_t SimPaused;        // 1 while the simulator is paused; written by the dispatch
extern uint16_t SimRate;          // 1/256 units (256 = normal); written by the frame tick and ApplySimRate
extern uint8_t SimRateChanged;    // 1 while the rate the module last applied is not normal; written by ApplySimRate
extern char UserTitle[256];       // title of the user's aircraft; written by the reply to request 2
extern float UserCgHeight;        // feet; "Static CG To Ground" of the user's aircraft
extern uint8_t OnGround;          // written by the reply to request 1
extern uint8_t EngineRunning;     // written by the reply to request 1
extern uint8_t ParkingBrakeSet;   // written by the reply to request 1 and by playback

uint32_t IsSimPaused();
void SendSimPause(uint32_t on);
uint16_t GetSimRate();
void ApplySimRate(uint16_t rate);
uint32_t IsMultiplayerRunning();
void EnterDialogMode();
void LeaveDialogMode();
void RequestZuluDateTime();
float GetUserCgHeight();
char* GetUserTitle();
uint32_t NextAircraftId(uint32_t objectId);
void RequestObjectTitle(uint32_t objectId);
uint32_t GetGroundAndEngineState(uint8_t* onGround, uint8_t* engineRunning);
uint32_t RequestSampleData(uint32_t objectId);
void FreezeObject(uint32_t objectId);
void UnfreezeObject(uint32_t objectId);
