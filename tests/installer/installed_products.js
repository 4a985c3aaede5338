// Writes the products installed under an upgrade code, one a line:
// product code and version.
// Usage: installed_products.js UPGRADE_CODE OUT_FILE
var installer = new ActiveXObject("WindowsInstaller.Installer");
var products = installer.RelatedProducts(WScript.Arguments(0));
var out = new ActiveXObject("Scripting.FileSystemObject").CreateTextFile(WScript.Arguments(1), true);
for (var i = 0; i < products.Count; i++) {
  var code = products.Item(i);
  out.WriteLine(code + " " + installer.ProductInfo(code, "VersionString"));
}
out.Close();
