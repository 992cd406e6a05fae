// Runs before the control is made: the function that its "onload" parameter names.
var kvLoaded = [];
function pluginLoaded(scriptingObject) {
  kvLoaded.push({ object: scriptingObject, at: new Date().getTime() });
}
var kvStarted = new Date().getTime();
