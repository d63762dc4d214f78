#pragma once
// The scene's four entry points, called by the main loop: set-up once,
// then every frame render (ending with Present) followed by update, and
// shutdown once (also after a failed start-up, so it must tolerate a scene
// that was never set up).

namespace gen
{

bool SceneSetup();
void SceneRender(float t);
void SceneUpdate(float t);
void SceneShutdown();

} // namespace gen
